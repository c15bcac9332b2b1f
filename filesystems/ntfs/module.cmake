salvix_module(salvix_ntfs filesystems/ntfs DEPS salvix_tree salvix_devices)
