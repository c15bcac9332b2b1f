# The preview's readers of file contents (compound-document probe, rich text), kept free of Qt so that
# they can be fuzzed and tested headless.
salvix_module(salvix_previewformats views/preview/formats DEPS salvix_bytes TEST_DEPS salvix_raw)
if(TARGET salvix_previewformats_tests)
  # Real-shaped compound documents from the RAW analyser's test kit.
  target_sources(salvix_previewformats_tests PRIVATE ${CMAKE_SOURCE_DIR}/raw/tests/CompoundFileBuilder.cpp)
endif()
