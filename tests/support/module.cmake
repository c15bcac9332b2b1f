# Shared test helpers (in-memory devices, byte builders, temporary folders), linked into every test program.
salvix_layer(salvix_testsupport tests/support DEPS salvix_tree salvix_fscommon salvix_rsdata salvix_devices salvix_filetypes
             salvix_platform)
if(NOT SALVIX_TESTS)
  return()
endif()
file(GLOB _support_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
list(FILTER _support_srcs EXCLUDE REGEX "QtTestMain\\.cpp$")
add_library(salvix_testsupport STATIC ${_support_srcs})
target_include_directories(salvix_testsupport PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(salvix_testsupport PUBLIC salvix_tree salvix_fscommon salvix_rsdata salvix_devices salvix_filetypes
                      salvix_platform GTest::gtest GTest::gmock)
if(SALVIX_GUI)
  add_library(salvix_qttestmain STATIC ${CMAKE_SOURCE_DIR}/tests/support/QtTestMain.cpp)
  target_include_directories(salvix_qttestmain PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(salvix_qttestmain PUBLIC Qt6::Widgets GTest::gtest)
  # The widget tests set their own environment (CTest passes only the first entry of a list to discovered tests).
  set(_runtime ${CMAKE_BINARY_DIR}/xdg-runtime)
  file(MAKE_DIRECTORY ${_runtime})
  file(CHMOD ${_runtime} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  target_compile_definitions(salvix_qttestmain PRIVATE SALVIX_TEST_RUNTIME_DIR="${_runtime}")
endif()
