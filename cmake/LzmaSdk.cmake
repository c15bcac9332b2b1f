# The LZMA SDK ships as C sources in Debian's lzma-dev; they are compiled here single-threaded.
set(_lzma_dir /usr/include/lzma)
add_library(salvix_lzma STATIC ${_lzma_dir}/LzFind.c ${_lzma_dir}/LzmaDec.c ${_lzma_dir}/LzmaEnc.c)
target_compile_definitions(salvix_lzma PUBLIC _7ZIP_ST)
target_include_directories(salvix_lzma SYSTEM PUBLIC ${_lzma_dir})
target_compile_options(salvix_lzma PRIVATE -w)
