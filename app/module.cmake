salvix_module(salvix_app app QT DEPS salvix_core)
