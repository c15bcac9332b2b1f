salvix_module(salvix_views_preview views/preview QT DEPS salvix_core)
