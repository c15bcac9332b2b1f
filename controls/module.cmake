salvix_module(salvix_controls controls QT DEPS salvix_core)
