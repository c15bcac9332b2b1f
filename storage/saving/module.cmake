salvix_module(salvix_saving storage/saving DEPS salvix_tree salvix_devices)
