# The FAT32 table check on tables of up to 16 million entries (it must stay linear), and a chain walk.
add_executable(bench_fat ${CMAKE_SOURCE_DIR}/bench/fat_bench.cpp)
target_link_libraries(bench_fat PRIVATE salvix_fat benchmark::benchmark)
