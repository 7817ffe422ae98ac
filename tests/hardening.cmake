# Hostile input and resource leaks through the real plug-in, in Wine.
songbeam_wine_test(hostile_test hostile_test.cpp)
songbeam_wine_test(leak_test leak_test.cpp)
# Messenger windows are visible to every process on the desktop: these two
# broadcast thousands of times and must neither reach another test's
# messengers nor wait on them, so they run alone.
set_tests_properties(hostile_test leak_test PROPERTIES RUN_SERIAL TRUE)

# The benchmark is no test, but it is built with everything else: `make bench`
# runs it.
add_executable(bench ${CMAKE_SOURCE_DIR}/bench/bench.cpp)
target_link_libraries(bench PRIVATE standin)
target_compile_options(bench PRIVATE -Wall -Wextra -O2)
target_include_directories(bench PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(bench gen_songbeam messenger corpus)
