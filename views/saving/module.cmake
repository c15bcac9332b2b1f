salvix_module(salvix_views_saving views/saving QT DEPS salvix_core)
