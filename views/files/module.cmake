salvix_module(salvix_views_files views/files QT DEPS salvix_core)
