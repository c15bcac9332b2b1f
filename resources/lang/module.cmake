# The language bundles: see resources/bundles.cmake.
include(${CMAKE_SOURCE_DIR}/resources/bundles.cmake)
