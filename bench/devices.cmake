# Sequential read of a 1 GiB image through the image-file device, through the read-ahead cache, and by cat.
add_executable(bench_devices ${CMAKE_SOURCE_DIR}/bench/DevicesBench.cpp)
target_link_libraries(bench_devices PRIVATE salvix_devices benchmark::benchmark)
