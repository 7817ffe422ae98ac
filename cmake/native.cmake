# Native Linux build of the pieces that need no Windows call: unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzzers.
enable_testing()
add_library(songbeam_text STATIC ${SONGBEAM_TEXT_SOURCES})
target_include_directories(songbeam_text PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(songbeam_text PRIVATE -Wall -Wextra)
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/native/CMakeLists.txt)
  add_subdirectory(tests/native)
endif()
