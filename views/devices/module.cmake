salvix_module(salvix_views_devices views/devices QT DEPS salvix_views_files salvix_controls salvix_controller salvix_saving
              salvix_partitions salvix_raw salvix_ntfs salvix_fat salvix_ext2 salvix_tree salvix_fscommon
              salvix_devices salvix_core salvix_platform)
if(TARGET salvix_views_devices_tests)
  add_dependencies(salvix_views_devices_tests salvix_data salvix_bundles)
endif()
