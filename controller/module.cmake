salvix_module(salvix_controller controller QT DEPS salvix_core)
