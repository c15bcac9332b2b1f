salvix_module(salvix_views_diskimage views/diskimage QT DEPS salvix_core)
