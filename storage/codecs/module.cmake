salvix_module(salvix_codecs storage/codecs DEPS salvix_bytes ZLIB::ZLIB BZip2::BZip2 salvix_lzma)
