# Fails when a library of the organiser includes a header of a library above
# it. The layers, lowest first: app_data; app_reminders on the data;
# app_views on the data; app_mainframe on the views and the reminders;
# app_core (app/ itself) on all of them. resource.h, the resource ids, holds
# no code and is read by every layer.
#
#   cmake -DAPP_DIR=<source>/app -P layers_check.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed_data "data")
set(allowed_reminders "data;reminders")
set(allowed_views "data;views")
set(allowed_mainframe "data;reminders;views;mainframe")

set(failures "")
foreach(layer data reminders views mainframe)
  file(GLOB sources "${APP_DIR}/${layer}/*.h" "${APP_DIR}/${layer}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"app/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"app/([^\"]*)\".*" "\\1" included "${line}")
      if(included STREQUAL "resource.h")
        continue()
      endif()
      if(included MATCHES "^([^/]+)/")
        set(folder "${CMAKE_MATCH_1}")
      else()
        set(folder "core")  # a header of app/ itself: the application object
      endif()
      if(NOT folder IN_LIST allowed_${layer})
        get_filename_component(name "${source}" NAME)
        list(APPEND failures "app/${layer}/${name} includes app/${included}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Headers of a layer above included from below:\n  ${text}")
endif()
message(STATUS "Every app/ library includes only its own headers and those beneath it.")
