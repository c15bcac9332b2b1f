salvix_module(salvix_views_options views/options QT DEPS salvix_core)
