# Links with lld when the compiler can use it (scripts/setup installs it):
# the test programs and benchmarks are large sanitized executables, and the
# default linker takes about twice lld's CPU time for each. Without lld the
# build links with the default linker as before.
# -DPRAVENOR_LINKER=default keeps the default linker.
set(PRAVENOR_LINKER "lld" CACHE STRING "Linker to ask the compiler for (lld or default)")
if(PRAVENOR_LINKER STREQUAL "lld")
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-fuse-ld=lld" PRAVENOR_HAVE_LLD)
  if(PRAVENOR_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  else()
    message(STATUS "lld not found: linking with the default linker")
  endif()
endif()
