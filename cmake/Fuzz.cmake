# libFuzzer targets (SALVIX_FUZZ, clang only): every library is built with coverage instrumentation, ASan and
# UBSan (cmake/Sanitizers.cmake), and every fuzz/**/<Name>Fuzz.cpp becomes the program <Name>Fuzz, linked with
# the library named in its first line ("// fuzz-target: <library> [more libraries]") and with fuzz/common.
# `fuzz_all` builds them all.

file(GLOB _fuzz_common CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/common/*.cpp)
add_library(salvix_fuzzcommon STATIC ${_fuzz_common})
target_include_directories(salvix_fuzzcommon PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(salvix_fuzzcommon PUBLIC salvix_devices)

add_custom_target(fuzz_all)
set(SALVIX_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
file(GLOB_RECURSE _fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*Fuzz.cpp)
list(SORT _fuzz_sources)
set(_fuzz_names)
foreach(src ${_fuzz_sources})
  get_filename_component(name ${src} NAME_WE)
  file(STRINGS ${src} first LIMIT_COUNT 1)
  if(NOT first MATCHES "^// fuzz-target: *([A-Za-z0-9_: ]+)$")
    message(FATAL_ERROR "${src}: the first line must be \"// fuzz-target: <library> [more libraries]\"")
  endif()
  separate_arguments(lib UNIX_COMMAND "${CMAKE_MATCH_1}")
  if(name IN_LIST _fuzz_names)
    message(FATAL_ERROR "${src}: a second fuzz target named ${name}")
  endif()
  list(APPEND _fuzz_names ${name})
  add_executable(${name} ${src})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${lib} salvix_fuzzcommon)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SALVIX_FUZZ_DIR})
  add_dependencies(fuzz_all ${name})
endforeach()
# The list the run script reads: one target name a line.
string(REPLACE ";" "\n" _fuzz_list "${_fuzz_names}")
file(WRITE ${SALVIX_FUZZ_DIR}/targets.txt "${_fuzz_list}\n")

# The seed maker that fuzz/make_seeds.sh runs over the fixture images.
add_executable(salvix-pageseed ${CMAKE_SOURCE_DIR}/fuzz/seeds/PageSeed.cpp)
set_target_properties(salvix-pageseed PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SALVIX_FUZZ_DIR})
add_dependencies(fuzz_all salvix-pageseed)
add_executable(salvix-imageseed ${CMAKE_SOURCE_DIR}/fuzz/seeds/ImageSeed.cpp)
target_link_libraries(salvix-imageseed PRIVATE salvix_diskimage)
set_target_properties(salvix-imageseed PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SALVIX_FUZZ_DIR})
add_dependencies(fuzz_all salvix-imageseed)
add_executable(salvix-stateseed ${CMAKE_SOURCE_DIR}/fuzz/seeds/StateSeed.cpp)
target_link_libraries(salvix-stateseed PRIVATE salvix_recoverystate salvix_testsupport salvix_fat salvix_ntfs salvix_ext2)
set_target_properties(salvix-stateseed PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SALVIX_FUZZ_DIR})
add_dependencies(fuzz_all salvix-stateseed)
