# pravenor_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per area; CTest runs each executable as one test
# with a timeout, and tests run headless with SDL's dummy drivers and the
# "C" user locale (en-US), whatever the developer's LANG says; tests of other
# locales set it themselves.
function(pravenor_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;PRAVENOR_HEADLESS=1;PRAVENOR_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR};LANG=C.UTF-8;LC_ALL=;LC_TIME=;LC_MESSAGES=;PRAVENOR_LOCALE=")
endfunction()
