# The byte walkers of the RAW analysers (end markers, PDF, DWG sentinel) over 50 MB without a marker.
add_executable(bench_raw_walkers ${CMAKE_SOURCE_DIR}/bench/raw_walkers_bench.cpp)
target_link_libraries(bench_raw_walkers PRIVATE salvix_raw salvix_testsupport benchmark::benchmark)
