salvix_module(salvix_filetypes core/filetypes DEPS salvix_core salvix_platform LibXml2::LibXml2)
# The catalogue tests read the shipped FileFilter.xml from the build's data folder.
if(TARGET salvix_filetypes_tests)
  add_dependencies(salvix_filetypes_tests salvix_data)
endif()
