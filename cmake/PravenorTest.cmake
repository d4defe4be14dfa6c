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

# pravenor_missing_tool_test(<name> <what> <how to get it>)
# Registers <name> in place of a test that cannot run because <what> was not
# found, so it never drops out of the list silently (see missing_tool.sh).
function(pravenor_missing_tool_test name what how)
  message(STATUS "${name}: ${what} is missing (${how})")
  add_test(NAME ${name} COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/missing_tool.sh "${what}" "${how}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# pravenor_add_desktop_test(<name> <test program> <gtest filter>)
# Runs the filtered cases of a test program on the desktop back end under a
# virtual X server of their own (xvfb-run); they skip unless PRAVENOR_SDL_SMOKE
# is set, which this test does.
function(pravenor_add_desktop_test name program filter)
  find_program(PV_XVFB_RUN xvfb-run)
  if(PV_XVFB_RUN)
    add_test(NAME ${name}
      COMMAND ${PV_XVFB_RUN} -a -s "-screen 0 1024x768x24 -nolisten tcp"
              $<TARGET_FILE:${program}> --gtest_filter=${filter})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120
      ENVIRONMENT "PRAVENOR_SDL_SMOKE=1;SDL_VIDEODRIVER=x11;SDL_AUDIODRIVER=dummy;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/platform/window/desktop_lsan.supp")
  else()
    pravenor_missing_tool_test(${name} xvfb-run "install the Debian packages xvfb and xauth (scripts/setup does)")
  endif()
endfunction()
