salvix_module(salvix_views_devices views/devices QT DEPS salvix_views_files salvix_controls salvix_core salvix_platform)
if(TARGET salvix_views_devices_tests)
  add_dependencies(salvix_views_devices_tests salvix_data salvix_bundles)
endif()
