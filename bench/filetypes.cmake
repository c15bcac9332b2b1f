# The extension filter's test of found-file names, as tree builds call it once per file: its time and the
# bytes it adds to the log at the normal and the trace level.
add_executable(bench_filetypes ${CMAKE_SOURCE_DIR}/bench/filetypes_bench.cpp)
target_link_libraries(bench_filetypes PRIVATE salvix_filetypes salvix_platform benchmark::benchmark)
