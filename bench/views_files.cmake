# Filling and sorting the found-file tree and list with a 100,000-file volume (offscreen widgets).
if(SALVIX_GUI)
  add_executable(bench_views_files ${CMAKE_SOURCE_DIR}/bench/FoundFileViewsBench.cpp)
  target_link_libraries(bench_views_files PRIVATE salvix_views_files salvix_tree benchmark::benchmark)
endif()
