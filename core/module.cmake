salvix_module(salvix_core core DEPS salvix_platform LibXml2::LibXml2)
