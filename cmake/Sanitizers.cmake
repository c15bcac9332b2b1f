# The sanitizer builds (make asan-test, make fuzz, make tsan-test).
#   SALVIX_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer on everything.
#   SALVIX_FUZZ      the same, plus libFuzzer's coverage on every library (clang only), so that one build serves
#                    both the sanitizer run of the tests and the fuzz targets (cmake/Fuzz.cmake adds those).
#   SALVIX_TSAN      ThreadSanitizer, for the threaded tests; it cannot be combined with the two others.
# Their build type is Sanitize: -O1 with line tables only. It compiles in about four fifths of the time of -O2
# with full debug information, runs the tests far faster than -O0, and the sanitizers' stack traces still name
# file and line. Assertions stay on.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(_line_tables -gline-tables-only)
else()
  set(_line_tables -g1)
endif()
set(CMAKE_C_FLAGS_SANITIZE "-O1 ${_line_tables}")
set(CMAKE_CXX_FLAGS_SANITIZE "-O1 ${_line_tables}")

if(SALVIX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SALVIX_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  set(SALVIX_SANITIZE ON)
  # Coverage for libFuzzer in every object; only the fuzz targets link libFuzzer itself (-fsanitize=fuzzer), the
  # test programs get the sanitizer runtime's empty coverage hooks.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(SALVIX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(SALVIX_TSAN)
  if(SALVIX_SANITIZE)
    message(FATAL_ERROR "SALVIX_TSAN cannot be combined with SALVIX_SANITIZE or SALVIX_FUZZ")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
