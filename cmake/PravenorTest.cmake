# Test programs compile their sources in batches (one translation unit per
# batch of PRAVENOR_TEST_UNITY_BATCH files): each test file reads the same
# standard, GoogleTest and framework headers and instantiates the same
# templates, which at -O0 with the sanitizers costs more than its own code.
# Batched, the test programs take about a third of the compile time. Line
# numbers, sanitizer reports and test names still point at the test files.
# -DPRAVENOR_UNITY_TESTS=OFF compiles each file alone (quicker to rebuild
# while working on one test file).
#
# A test file whose file-local helpers (in an anonymous namespace or static)
# share a name with another file's of the same program cannot share a batch:
# it is listed here and compiled alone. Two helpers of one name and different
# parameters do not even fail to compile: in one batch they become overloads
# and a call may pick the other file's. The same holds for a file-wide
# `using namespace` of a library namespace. Better: give the helper a name of
# its own, or put a shared helper in tests/support/.
option(PRAVENOR_UNITY_TESTS "Compile test programs in batches of source files" ON)
set(PRAVENOR_TEST_UNITY_BATCH 8 CACHE STRING "Source files per batch in a test program")
set(PRAVENOR_TEST_ALONE
  tests/app/mainframe/remindtimer_test.cpp
  tests/app/reminders/remindcalendar_test.cpp
  tests/app/typed_text_e2e_test.cpp
  tests/app/views/planthings_test.cpp
  tests/platform/ado/row_reading_test.cpp
  tests/platform/shell/tray_dbus_test.cpp
  tests/platform/system/registry_test.cpp
  tests/toolkit/common/resourceimages_test.cpp
  tests/toolkit/common/scopeddc_test.cpp
  tests/toolkit/common/tooltipcontext_test.cpp
  tests/toolkit/report/report_control_state_test.cpp
  tests/toolkit/markup/markup_parser_test.cpp
  tests/toolkit/markup/markup_builder_test.cpp
  tests/toolkit/markup/markup_style_test.cpp
  tests/toolkit/markup/markup_style_resolution_test.cpp
  tests/toolkit/markup/markup_events_test.cpp
  tests/toolkit/markup/markup_layout_test.cpp
  tests/toolkit/markup/markup_text_render_test.cpp
  tests/toolkit/markup/markup_text_content_test.cpp
  tests/toolkit/markup/markup_shapes_test.cpp
  tests/toolkit/markup/markup_buttons_test.cpp
  tests/toolkit/markup/markup_tooltip_test.cpp
  tests/toolkit/markup/markup_scrollviewer_test.cpp
  tests/toolkit/markup/markup_paint_test.cpp)

function(pravenor_test_unity name)
  if(NOT PRAVENOR_UNITY_TESTS)
    return()
  endif()
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${PRAVENOR_TEST_UNITY_BATCH})
  # A fixture in one file's anonymous namespace is fine; in a batch GCC takes
  # the file for a header and warns about it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  endif()
  foreach(src ${ARGN})
    get_filename_component(abs "${src}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    file(RELATIVE_PATH rel "${CMAKE_SOURCE_DIR}" "${abs}")
    if(rel IN_LIST PRAVENOR_TEST_ALONE)
      set_source_files_properties(${src} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

# pravenor_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per area; CTest runs each executable as one test
# with a timeout, and tests run headless with SDL's dummy drivers and the
# "C" user locale (en-US), whatever the developer's LANG says; tests of other
# locales set it themselves.
function(pravenor_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  pravenor_test_unity(${name} ${T_SOURCES})
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
