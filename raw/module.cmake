salvix_module(salvix_raw raw DEPS salvix_fscommon salvix_tree salvix_rsdata salvix_filetypes salvix_devices salvix_core
              salvix_platform salvix_bytes ZLIB::ZLIB)
# The factory includes each analyser's header when it exists (__has_include). A header that appears later must
# rebuild it: the set of headers goes into its command line (which ninja and ccache both see) as a hash.
file(GLOB _raw_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/raw/*.h)
string(SHA1 _raw_headers_hash "${_raw_headers}")
set_source_files_properties(${CMAKE_SOURCE_DIR}/raw/RawAnalyserFactory.cpp PROPERTIES
  OBJECT_DEPENDS "${_raw_headers}" COMPILE_DEFINITIONS "SALVIX_RAW_HEADER_SET=${_raw_headers_hash}")
