salvix_module(salvix_views_preview views/preview QT DEPS salvix_previewformats salvix_views_saving salvix_controls salvix_saving
              salvix_tree salvix_core salvix_platform TEST_DEPS salvix_raw)
if(TARGET salvix_views_preview_tests)
  add_dependencies(salvix_views_preview_tests salvix_data salvix_bundles)
  # Real-shaped compound documents from the RAW analyser's test kit.
  target_sources(salvix_views_preview_tests PRIVATE ${CMAKE_SOURCE_DIR}/raw/tests/CompoundFileBuilder.cpp)
endif()
