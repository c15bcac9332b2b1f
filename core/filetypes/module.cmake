salvix_module(salvix_filetypes core/filetypes DEPS salvix_core LibXml2::LibXml2)
