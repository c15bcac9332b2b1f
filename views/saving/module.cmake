salvix_module(salvix_views_saving views/saving QT DEPS salvix_controls salvix_saving salvix_tree salvix_core
              TEST_DEPS salvix_fat)
if(TARGET salvix_views_saving_tests)
  add_dependencies(salvix_views_saving_tests salvix_data salvix_bundles)
endif()
