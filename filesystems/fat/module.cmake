salvix_module(salvix_fat filesystems/fat DEPS salvix_tree salvix_devices)
