salvix_module(salvix_raw raw DEPS salvix_fscommon salvix_tree salvix_rsdata salvix_filetypes salvix_devices salvix_core
              salvix_platform salvix_bytes ZLIB::ZLIB)
