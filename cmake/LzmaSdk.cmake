# The LZMA SDK ships as C sources in Debian's lzma-dev; they are compiled here single-threaded.
set(_lzma_dir /usr/include/lzma)
add_library(salvix_lzma STATIC ${_lzma_dir}/LzFind.c ${_lzma_dir}/LzmaDec.c ${_lzma_dir}/LzmaEnc.c)
target_compile_definitions(salvix_lzma PUBLIC _7ZIP_ST)
target_include_directories(salvix_lzma SYSTEM PUBLIC ${_lzma_dir})
target_compile_options(salvix_lzma PRIVATE -w)
# The sanitizer builds compile at -O1; the SDK keeps -O2 there, and no libFuzzer coverage (a hook on every
# comparison of its match finder), or the codec tests spend minutes compressing. It keeps ASan and UBSan.
if(CMAKE_BUILD_TYPE STREQUAL "Sanitize")
  target_compile_options(salvix_lzma PRIVATE -O2)
endif()
if(SALVIX_FUZZ)
  target_compile_options(salvix_lzma PRIVATE -fno-sanitize=fuzzer-no-link)
endif()
