# The application: its object, main frame, client view and their services (salvix_app), and the program
# `salvix` itself, written to <build>/app/salvix.
salvix_module(salvix_app app QT DEPS salvix_appshell salvix_wizard salvix_controller salvix_views_options salvix_views_search
              salvix_controls salvix_partitions salvix_raw salvix_core salvix_platform
              TEST_DEPS salvix_filetypes salvix_views_files salvix_views_devices salvix_tree)
if(TARGET salvix_app)
  add_executable(salvix ${CMAKE_SOURCE_DIR}/app/main/main.cpp)
  target_link_libraries(salvix PRIVATE salvix_app)
  set_target_properties(salvix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
  # The program finds its language bundles and FileFilter.xml in the build's data folder.
  add_dependencies(salvix salvix_bundles salvix_data)
  if(TARGET salvix_app_tests)
    add_dependencies(salvix_app_tests salvix_bundles salvix_data)
  endif()
endif()
