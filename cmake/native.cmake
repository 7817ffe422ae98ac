# Native Linux build of the pieces that need no Windows call: unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzzers.
enable_testing()
add_library(songbeam_text STATIC ${SONGBEAM_TEXT_SOURCES})
target_include_directories(songbeam_text PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(songbeam_text PRIVATE -Wall -Wextra)
# Every native program runs under AddressSanitizer and UndefinedBehaviorSanitizer;
# the first finding ends it.
set(SONGBEAM_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(songbeam_text PUBLIC ${SONGBEAM_SANITIZERS})
target_link_options(songbeam_text PUBLIC ${SONGBEAM_SANITIZERS})
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/native/CMakeLists.txt)
  add_subdirectory(tests/native)
endif()
