# The plug-in, the stand-in host and the tests, cross-built for Windows.
enable_language(RC)
enable_testing()

set(SONGBEAM_WARNINGS -Wall -Wextra)
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The plug-in: one export, the static runtime, no time stamp in the header,
# so the same sources always give the same bytes.
add_library(gen_songbeam SHARED
  ${SONGBEAM_TEXT_SOURCES}
  host/plugin.cpp
  host/host_requests.cpp
  host/host_menu.cpp
  host/window_hooks.cpp
  status/state.cpp
  status/update.cpp
  status/pacing.cpp
  status/broadcast.cpp
  status/played_entry.cpp
  status/watch.cpp
  track/ansi_text.cpp
  track/tag_reader.cpp
  track/host_metadata.cpp
  track/playing_track.cpp
  track/playlist_title.cpp
  settings/settings.cpp
  dialog/config_dialog.cpp
  gen_songbeam.rc)
set_target_properties(gen_songbeam PROPERTIES PREFIX "" OUTPUT_NAME gen_songbeam)
target_include_directories(gen_songbeam PRIVATE ${CMAKE_SOURCE_DIR})
# Warnings are errors in the plug-in's own sources, on every architecture.
target_compile_options(gen_songbeam PRIVATE ${SONGBEAM_WARNINGS} -Werror -Os -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
target_link_options(gen_songbeam PRIVATE -static -s -Wl,--no-insert-timestamp -Wl,--build-id=none
  -Wl,--subsystem,windows)
target_link_libraries(gen_songbeam PRIVATE ole32 user32 kernel32)
target_include_directories(gen_songbeam PRIVATE ${CMAKE_SOURCE_DIR})
set_property(SOURCE gen_songbeam.rc APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/dialog/config_dialog.rc
  ${CMAKE_SOURCE_DIR}/dialog/config_dialog.h
  ${CMAKE_SOURCE_DIR}/host/version.rc)

# Decoding a status as a messenger does: the monitor's, shared with the stand-in.
add_library(status_line STATIC monitor/status_line.cpp)
target_include_directories(status_line PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(status_line PRIVATE ${SONGBEAM_WARNINGS})

# songbeam-monitor.exe, shipped in the zip: a window of the messenger's class
# that lists what it receives (and prints it with --print).
add_executable(songbeam-monitor WIN32 monitor/monitor_main.cpp monitor/monitor.rc)
target_link_libraries(songbeam-monitor PRIVATE status_line comctl32 shell32)
target_compile_options(songbeam-monitor PRIVATE ${SONGBEAM_WARNINGS} -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
target_link_options(songbeam-monitor PRIVATE -static -s -Wl,--no-insert-timestamp -Wl,--build-id=none)

# The stand-in host and messengers.
add_library(standin STATIC standin/standin.cpp)
target_include_directories(standin PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(standin PUBLIC status_line)
target_compile_options(standin PRIVATE ${SONGBEAM_WARNINGS})
target_link_options(standin INTERFACE -static)

add_executable(messenger standin/messenger_main.cpp)
target_compile_options(messenger PRIVATE ${SONGBEAM_WARNINGS})
target_link_options(messenger PRIVATE -static)

# The corpus of tagged files and its manifest, beside the programs: the
# tests, the benchmark and the demo play them.
add_custom_target(corpus ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/tests/corpus ${CMAKE_BINARY_DIR}/bin/corpus)

add_executable(songbeam-host standin/host_main.cpp)
target_link_libraries(songbeam-host PRIVATE standin)
target_compile_options(songbeam-host PRIVATE ${SONGBEAM_WARNINGS})
add_dependencies(songbeam-host gen_songbeam messenger corpus)

# Tests run in Wine, in a private prefix inside the build tree that
# tools/wine-env.sh prepares before CTest starts.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(SONGBEAM_WINE /usr/lib/wine/wine)
else()
  set(SONGBEAM_WINE /usr/lib/wine/wine64)
endif()
# Every test program runs through tools/wine-run.sh: its output reaches CTest
# when the program ends, whatever Wine processes it started, and a program
# that has not ended after a minute is stopped.
set(SONGBEAM_RUN_LIMIT 60)
set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_SOURCE_DIR}/tools/wine-run.sh ${SONGBEAM_RUN_LIMIT}
  env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${SONGBEAM_WINE})

option(SONGBEAM_TESTS "Build the tests" ON)
if(SONGBEAM_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_subdirectory(tests)
endif()
