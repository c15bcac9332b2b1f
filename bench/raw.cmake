# Signature matching over 4 MiB blocks (random data, zeros, near-signatures), as the RAW scan offers sectors.
add_executable(bench_raw_matcher ${CMAKE_SOURCE_DIR}/bench/raw_matcher_bench.cpp)
target_link_libraries(bench_raw_matcher PRIVATE salvix_raw benchmark::benchmark)
