# The release: version resource, installer, reproducible build, imports.

# Version information as Windows shows it, read in Wine.
songbeam_wine_test(release_version_test release_version_test.cpp)
target_link_libraries(release_version_test PRIVATE version)

# The installer and uninstaller, run silently in this tree's Wine prefix
# (built for this tree's architecture: amd64 where no 32-bit program runs).
add_test(NAME release_installer
  COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-installer.sh ${CMAKE_BINARY_DIR} ${CMAKE_SYSTEM_PROCESSOR})
set_tests_properties(release_installer PROPERTIES TIMEOUT 120)

# The shipped 32-bit DLL (the Makefile builds build/i686 before the tests),
# and this tree's own build when it is another architecture.
add_test(NAME release_imports_i686
  COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-imports.sh ${CMAKE_SOURCE_DIR}/build/i686/bin/gen_songbeam.dll)
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_test(NAME release_imports_${CMAKE_SYSTEM_PROCESSOR}
    COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-imports.sh ${CMAKE_BINARY_DIR}/bin/gen_songbeam.dll)
endif()

# Two builds of the i686 DLL at different paths give the same bytes.
add_test(NAME release_reproducible
  COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-reproducible.sh ${CMAKE_BINARY_DIR})
set_tests_properties(release_reproducible PROPERTIES TIMEOUT 180)

# What `make dist` builds from the shipped DLL: the files, their sums, the zip.
add_test(NAME release_dist
  COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-dist.sh ${CMAKE_BINARY_DIR})
set_tests_properties(release_dist PROPERTIES TIMEOUT 60)

# songbeam-monitor.exe --print, read through a pipe while the plug-in plays.
songbeam_wine_test(monitor_test monitor_test.cpp)
add_dependencies(monitor_test songbeam-monitor)
