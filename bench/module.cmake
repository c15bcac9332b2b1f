# Benchmarks: each bench/<name>.cmake declares its own programs; `make bench` runs bench/run.sh.
if(SALVIX_BENCH)
  file(GLOB _bench_parts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cmake)
  list(FILTER _bench_parts EXCLUDE REGEX "/module\\.cmake$")
  foreach(b ${_bench_parts})
    include(${b})
  endforeach()
endif()
