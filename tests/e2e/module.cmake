# The headless recovery harness (a test tool, never installed) and the end-to-end tests that drive it over the
# fixture images.
set(_e2e_deps salvix_saving salvix_raw salvix_partitions salvix_fat salvix_ext2 salvix_ntfs salvix_fscommon salvix_tree
              salvix_filetypes salvix_devices salvix_core salvix_platform)
salvix_layer(salvix-e2e tests/e2e DEPS ${_e2e_deps} salvix_testsupport TEST_DEPS salvix_filetypes)
add_executable(salvix-e2e ${CMAKE_SOURCE_DIR}/tests/e2e/SalvixE2E.cpp)
target_link_libraries(salvix-e2e PRIVATE ${_e2e_deps})
set_target_properties(salvix-e2e PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

file(GLOB _e2e_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/tests/*.cpp)
if(_e2e_tests AND SALVIX_TESTS)
  add_executable(salvix_e2e_tests ${_e2e_tests})
  target_link_libraries(salvix_e2e_tests PRIVATE salvix_filetypes salvix_platform salvix_testsupport GTest::gtest_main)
  target_compile_definitions(salvix_e2e_tests PRIVATE SALVIX_E2E_HARNESS="$<TARGET_FILE:salvix-e2e>")
  add_dependencies(salvix_e2e_tests salvix-e2e)
  salvix_test_pch(salvix_e2e_tests)
  gtest_discover_tests(salvix_e2e_tests DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                       PROPERTIES ENVIRONMENT "SALVIX_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp" TIMEOUT 300)
endif()
