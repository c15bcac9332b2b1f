salvix_module(salvix_ext2 filesystems/ext2 DEPS salvix_fscommon salvix_tree salvix_rsdata salvix_devices salvix_filetypes
              salvix_core salvix_platform salvix_bytes PkgConfig::BDWGC)
