salvix_module(salvix_codecs storage/codecs DEPS ZLIB::ZLIB BZip2::BZip2 salvix_lzma)
