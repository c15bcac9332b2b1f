# Read-only data of the program (FileFilter.xml and whatever else lies under resources/data/) is copied
# into the build's data folder, where programs and tests built in this tree find it.
file(GLOB_RECURSE _salvix_data_files CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/resources/data
     ${CMAKE_SOURCE_DIR}/resources/data/*)
set(_salvix_data_outputs)
foreach(f ${_salvix_data_files})
  add_custom_command(
    OUTPUT ${SALVIX_DATA_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/data/${f} ${SALVIX_DATA_DIR}/${f}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/data/${f}
    COMMENT "Copying data/${f}"
    VERBATIM)
  list(APPEND _salvix_data_outputs ${SALVIX_DATA_DIR}/${f})
endforeach()
# The help book, one folder per language (resources/help/<Language>/*.html), goes to <data>/help.
file(GLOB_RECURSE _salvix_help_files CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/resources/help
     ${CMAKE_SOURCE_DIR}/resources/help/*.html ${CMAKE_SOURCE_DIR}/resources/help/*.css)
foreach(f ${_salvix_help_files})
  add_custom_command(
    OUTPUT ${SALVIX_DATA_DIR}/help/${f}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/help/${f} ${SALVIX_DATA_DIR}/help/${f}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/${f}
    COMMENT "Copying help/${f}"
    VERBATIM)
  list(APPEND _salvix_data_outputs ${SALVIX_DATA_DIR}/help/${f})
endforeach()
add_custom_target(salvix_data ALL DEPENDS ${_salvix_data_outputs})
