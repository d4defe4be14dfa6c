# pravenor_add_resources(<target> [MODULE <name>] [ICON_BASE <n>]
#                        [INCLUDE_DIRS <dirs...>] SOURCES <files...>)
#
# Compiles resource sources (docs/resources.md) with tools/rc/pvrc.py into a
# C++ table and makes <target>, a library to link: whatever links it gets
# the resources registered with the resource registry at start-up (the
# archive is linked whole, so no symbol has to be referenced). Without
# MODULE the resources belong to the program's own module; with MODULE they
# form a built-in module that LoadLibrary("<name>.dll") finds.
# Images, headers and the sources are tracked: changing any of them
# recompiles the set.
if(NOT COMMAND pravenor_add_resources)
  # The Debian interpreter first: version-manager shims in PATH add seconds per run.
  if(EXISTS /usr/bin/python3)
    set(PRAVENOR_PYTHON /usr/bin/python3 CACHE INTERNAL "Python for the resource compiler")
  else()
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(PRAVENOR_PYTHON ${Python3_EXECUTABLE} CACHE INTERNAL "Python for the resource compiler")
  endif()
  get_filename_component(PRAVENOR_ROOT_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
  set(PRAVENOR_RC ${PRAVENOR_ROOT_DIR}/tools/rc/pvrc.py CACHE INTERNAL "resource compiler")
  set(PRAVENOR_RC_ROOT ${PRAVENOR_ROOT_DIR} CACHE INTERNAL "repository root for resource includes")

  function(pravenor_add_resources target)
    cmake_parse_arguments(R "" "MODULE;ICON_BASE" "SOURCES;INCLUDE_DIRS" ${ARGN})
    set(sources ${R_SOURCES} ${R_UNPARSED_ARGUMENTS})
    if(NOT sources)
      message(FATAL_ERROR "pravenor_add_resources(${target}): no resource sources given")
    endif()
    set(abs_sources)
    foreach(s ${sources})
      get_filename_component(a ${s} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND abs_sources ${a})
    endforeach()
    set(options)
    if(R_MODULE)
      list(APPEND options --module ${R_MODULE})
    endif()
    if(R_ICON_BASE)
      list(APPEND options --icon-base ${R_ICON_BASE})
    endif()
    foreach(d ${R_INCLUDE_DIRS})
      get_filename_component(a ${d} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND options -I ${a})
    endforeach()
    # Headers are found beside the sources and from the repository root.
    list(APPEND options -I ${PRAVENOR_RC_ROOT})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
    add_custom_command(
      OUTPUT ${out}
      COMMAND ${PRAVENOR_PYTHON} ${PRAVENOR_RC} --name ${target} --output ${out} --depfile ${out}.d ${options}
              ${abs_sources}
      DEPENDS ${PRAVENOR_RC} ${abs_sources}
      DEPFILE ${out}.d
      COMMENT "Compiling resources ${target}"
      VERBATIM)
    add_library(${target}_objects STATIC ${out})
    target_link_libraries(${target}_objects PUBLIC pv_system)
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}_objects>" pv_system)
  endfunction()
endif()
