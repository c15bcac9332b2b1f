# The NTFS scanner's share of the one-pass search: AnalyzeBlock over 4 MiB blocks of zeros, of random bytes
# and of an NTFS volume, in MB/s of device read.
add_executable(bench_ntfs_scan ${CMAKE_SOURCE_DIR}/bench/ntfs_scan_bench.cpp)
target_link_libraries(bench_ntfs_scan PRIVATE salvix_ntfs salvix_testsupport benchmark::benchmark)
