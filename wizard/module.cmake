salvix_module(salvix_wizard wizard QT DEPS salvix_views_files salvix_controller salvix_controls salvix_filetypes
              salvix_core salvix_platform)
if(TARGET salvix_wizard_tests)
  add_dependencies(salvix_wizard_tests salvix_data salvix_bundles)
endif()
