# With clang, the non-GUI test programs share one precompiled header of GoogleTest and the standard headers
# they use most: parsing those is about a third of compiling a test file. clang accepts the shared header
# whatever -D flags a program adds; GCC would silently ignore it for most programs, and the Qt programs are
# built position-independent, which a shared header cannot mix, so both keep compiling as before.
set(SALVIX_TEST_PCH OFF)
if(SALVIX_TESTS AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(SALVIX_TEST_PCH ON)
  file(WRITE ${CMAKE_BINARY_DIR}/testpch/TestPch.cpp "// The precompiled header of the test programs.\n")
  add_library(salvix_testpch OBJECT ${CMAKE_BINARY_DIR}/testpch/TestPch.cpp)
  target_link_libraries(salvix_testpch PRIVATE GTest::gmock)
  target_precompile_headers(salvix_testpch PRIVATE
    <gtest/gtest.h> <gmock/gmock.h>
    <algorithm> <array> <atomic> <chrono> <cstdint> <cstdio> <cstdlib> <cstring> <filesystem> <fstream>
    <functional> <map> <memory> <mutex> <optional> <random> <set> <span> <sstream> <string> <thread> <vector>)
endif()

# salvix_test_pch(TARGET): the test program TARGET uses the shared header when there is one.
function(salvix_test_pch target)
  if(SALVIX_TEST_PCH)
    target_precompile_headers(${target} REUSE_FROM salvix_testpch)
  endif()
endfunction()
