# The look of the sources: the test fails when a tracked file differs from what .clang-format makes of it
# (make format rewrites them). Left out where the source is not a git checkout or clang-format is missing.
find_program(SALVIX_CLANG_FORMAT NAMES clang-format clang-format-14)
if(SALVIX_CLANG_FORMAT AND EXISTS ${CMAKE_SOURCE_DIR}/.git)
  add_test(NAME Format.Sources COMMAND bash ${CMAKE_SOURCE_DIR}/tools/format/format.sh --check)
endif()
