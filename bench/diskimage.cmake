# Disk imaging against pigz -p1 and ewfacquire, and reads through the image device against the raw source.
add_executable(bench_diskimage ${CMAKE_SOURCE_DIR}/bench/DiskImageBench.cpp)
target_link_libraries(bench_diskimage PRIVATE salvix_diskimage benchmark::benchmark)
