# Codec throughput against the command-line tools (gzip, bzip2, xz --format=lzma) on the same data, and
# the recovery-state stream's write and read rates.
add_executable(bench_codecs ${CMAKE_SOURCE_DIR}/bench/CodecsBench.cpp)
target_link_libraries(bench_codecs PRIVATE salvix_codecs salvix_recoverystate benchmark::benchmark)
