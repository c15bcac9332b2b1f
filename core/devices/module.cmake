salvix_module(salvix_devices core/devices DEPS salvix_core salvix_platform)
