salvix_module(salvix_wizard wizard QT DEPS salvix_core)
