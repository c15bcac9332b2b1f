salvix_module(salvix_wizard wizard QT DEPS salvix_ntfs salvix_fat salvix_views_devices salvix_views_saving salvix_views_search
              salvix_views_preview salvix_views_diskimage salvix_recoverystate
              salvix_views_files salvix_controller salvix_controls salvix_saving salvix_partitions salvix_tree
              salvix_devices salvix_filetypes salvix_core salvix_platform
              TEST_DEPS salvix_recoverystate salvix_diskimage)
if(TARGET salvix_wizard_tests)
  add_dependencies(salvix_wizard_tests salvix_data salvix_bundles)
endif()
