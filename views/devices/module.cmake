salvix_module(salvix_views_devices views/devices QT DEPS salvix_core)
