# The application's services below its windows: start-up decisions, the single-instance lock, the log's
# report lines, the crash handler with its dump writer, usage events, the language setting and the restart.
salvix_module(salvix_appshell app/shell DEPS salvix_partitions salvix_tree salvix_fscommon salvix_core salvix_platform
              ${CMAKE_DL_LIBS})

# A stand-in usage module that the tests load by absolute path.
if(TARGET salvix_appshell_tests)
  add_library(salvix_fake_usage_module MODULE ${CMAKE_SOURCE_DIR}/app/shell/tests/module/FakeUsageModule.cpp)
  target_include_directories(salvix_fake_usage_module PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(salvix_fake_usage_module PROPERTIES PREFIX "" OUTPUT_NAME Kordel
                        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app/shell/testmodule)
  add_dependencies(salvix_appshell_tests salvix_fake_usage_module)
  target_compile_definitions(salvix_appshell_tests PRIVATE
    SALVIX_FAKE_USAGE_MODULE="$<TARGET_FILE:salvix_fake_usage_module>"
    SALVIX_FAKE_USAGE_MODULE_NAME="Kordel.so")
endif()
