salvix_module(salvix_views_options views/options QT DEPS salvix_views_files salvix_controls salvix_filetypes salvix_core salvix_platform
              LibXml2::LibXml2 ZLIB::ZLIB BZip2::BZip2 salvix_lzma PkgConfig::BDWGC Boost::regex)
if(TARGET salvix_views_options_tests)
  add_dependencies(salvix_views_options_tests salvix_data salvix_bundles)
endif()
