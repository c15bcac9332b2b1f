file(GLOB_RECURSE _plat_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*.cpp)
list(FILTER _plat_srcs EXCLUDE REGEX "/tests/")
add_library(salvix_platform STATIC ${_plat_srcs})
target_include_directories(salvix_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(salvix_platform PUBLIC Threads::Threads ${CMAKE_DL_LIBS})

file(GLOB _plat_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/tests/*.cpp)
if(_plat_tests)
  add_executable(salvix_platform_tests ${_plat_tests})
  target_link_libraries(salvix_platform_tests PRIVATE salvix_platform salvix_testsupport GTest::gmock GTest::gtest_main)
  gtest_discover_tests(salvix_platform_tests DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                       PROPERTIES ENVIRONMENT "SALVIX_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp" TIMEOUT 300)
endif()
