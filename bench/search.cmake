# Searching a found-file tree of 100,000 files with the search filter (plain C++, no widgets).
add_executable(bench_search ${CMAKE_SOURCE_DIR}/bench/SearchBench.cpp)
target_link_libraries(bench_search PRIVATE salvix_tree benchmark::benchmark)
