salvix_module(salvix_ext2 filesystems/ext2 DEPS salvix_tree salvix_devices PkgConfig::BDWGC)
