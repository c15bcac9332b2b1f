# salvix_layer(NAME DIR [QT] [DEPS libs...] [TEST_DEPS libs...])
# Adds a row to the layering table: the module NAME owns the sources under DIR (except deeper folders that
# are modules of their own), and may include headers of itself and of the salvix_* modules in DEPS; its
# tests (DIR/tests/) may also use TEST_DEPS and salvix_testsupport. Other DEPS (system libraries) are only
# linked. tools/layering checks every include against this table (ctest -R Layering).
function(salvix_layer name dir)
  cmake_parse_arguments(L "QT" "" "DEPS;TEST_DEPS" ${ARGN})
  set(qt "")
  if(L_QT)
    set(qt QT)
  endif()
  string(REPLACE ";" " " deps "${L_DEPS}")
  string(REPLACE ";" " " test_deps "${L_TEST_DEPS}")
  set_property(GLOBAL APPEND PROPERTY SALVIX_LAYERS "${name}|${dir}|${qt}|${deps}|${test_deps}")
endfunction()

# salvix_module(NAME DIR [QT] [DEPS libs...] [TEST_DEPS libs...])
# One static library per folder from DIR/*.cpp, and one GoogleTest program from DIR/tests/*.cpp.
# Sources are globbed so that adding a file to a module needs no edit here. DEPS is the module's row of the
# layering table (see salvix_layer): the modules it may use, and links.
function(salvix_module name dir)
  salvix_layer(${ARGV})
  cmake_parse_arguments(M "QT" "" "DEPS;TEST_DEPS" ${ARGN})
  if(M_QT AND NOT SALVIX_GUI)
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    set(vis PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(vis INTERFACE)
  endif()
  target_include_directories(${name} ${vis} ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} ${vis} ${M_DEPS} Threads::Threads)
  if(M_QT)
    target_link_libraries(${name} ${vis} Qt6::Widgets)
    if(srcs)
      set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
  endif()

  file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/tests/*.cpp)
  if(tsrcs AND SALVIX_TESTS)
    add_executable(${name}_tests ${tsrcs})
    target_link_libraries(${name}_tests PRIVATE ${name} ${M_TEST_DEPS} salvix_testsupport GTest::gmock)
    set(env "SALVIX_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")
    if(M_QT)
      set_target_properties(${name}_tests PROPERTIES AUTOMOC ON)
      # Windows are tested offscreen and any warning of Qt fails the test: salvix_qttestmain sets that up.
      target_link_libraries(${name}_tests PRIVATE salvix_qttestmain Qt6::Test)
    else()
      target_link_libraries(${name}_tests PRIVATE GTest::gtest_main)
      salvix_test_pch(${name}_tests)
    endif()
    gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                         PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
  endif()
endfunction()
