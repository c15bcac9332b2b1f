# The intelligent search over 1 GiB held in memory with the scanners of format recovery, and the FAT scanner
# alone; bench/format_road.sh times the whole format road against PhotoRec.
add_executable(bench_format ${CMAKE_SOURCE_DIR}/bench/format_bench.cpp)
target_link_libraries(bench_format PRIVATE salvix_partitions salvix_raw salvix_fat salvix_ntfs salvix_ext2 benchmark::benchmark)
