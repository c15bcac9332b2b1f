salvix_module(salvix_views_files views/files QT DEPS salvix_controls salvix_filetypes salvix_tree salvix_fat salvix_ntfs
              salvix_core salvix_platform TEST_DEPS salvix_partitions)
if(TARGET salvix_views_files_tests)
  add_dependencies(salvix_views_files_tests salvix_data salvix_bundles)
endif()
