# Language bundles: <data>/English.rcc, Deutsch.rcc and Japanese.rcc, each holding its language's string
# table (resources/lang/<Language>.tsv, checked at build time) and every skin bitmap of resources/skin/skin.tsv
# drawn with captions in that language. The program loads the chosen bundle at run time by absolute path.
# The English contents are also compiled into salvix_controls as the program's own resources (controls/module.cmake).
if(SALVIX_GUI)
  set(SALVIX_LANGUAGES English Deutsch Japanese)
  set(SALVIX_BUNDLE_WORK ${CMAKE_BINARY_DIR}/bundles)
  set(_bundle_files)
  foreach(lang ${SALVIX_LANGUAGES})
    set(_dir ${SALVIX_BUNDLE_WORK}/${lang})
    add_custom_command(
      OUTPUT ${_dir}/bundle.qrc
      COMMAND salvix_skingen --lang ${lang}
              --strings ${CMAKE_SOURCE_DIR}/resources/lang/${lang}.tsv
              --skin ${CMAKE_SOURCE_DIR}/resources/skin/skin.tsv
              --out ${_dir}
      DEPENDS salvix_skingen
              ${CMAKE_SOURCE_DIR}/resources/lang/${lang}.tsv
              ${CMAKE_SOURCE_DIR}/resources/skin/skin.tsv
      COMMENT "Drawing the ${lang} skin and checking its string table"
      VERBATIM)
    add_custom_command(
      OUTPUT ${SALVIX_DATA_DIR}/${lang}.rcc
      COMMAND ${CMAKE_COMMAND} -E make_directory ${SALVIX_DATA_DIR}
      COMMAND Qt6::rcc --binary -o ${SALVIX_DATA_DIR}/${lang}.rcc ${_dir}/bundle.qrc
      DEPENDS ${_dir}/bundle.qrc
      COMMENT "Packing ${lang}.rcc"
      VERBATIM)
    list(APPEND _bundle_files ${SALVIX_DATA_DIR}/${lang}.rcc)
  endforeach()
  add_custom_target(salvix_bundles ALL DEPENDS ${_bundle_files})
endif()
