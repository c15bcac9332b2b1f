salvix_module(salvix_controls controls QT DEPS salvix_core salvix_platform)
if(SALVIX_GUI)
  # The program's own resources (looked up after the language bundle): the English strings and skin,
  # compiled in from the English bundle's resource list (resources/bundles.cmake draws it).
  set(_own_qrc ${CMAKE_BINARY_DIR}/bundles/English/bundle.qrc)
  set(_own_cpp ${CMAKE_BINARY_DIR}/bundles/qrc_salvix_program.cpp)
  add_custom_command(
    OUTPUT ${_own_cpp}
    COMMAND Qt6::rcc --name salvix_program --root /program -o ${_own_cpp} ${_own_qrc}
    DEPENDS ${_own_qrc}
    COMMENT "Compiling the program's own resources"
    VERBATIM)
  target_sources(salvix_controls PRIVATE ${_own_cpp})
  set_source_files_properties(${_own_cpp} PROPERTIES SKIP_AUTOMOC ON)
  if(TARGET salvix_controls_tests)
    add_dependencies(salvix_controls_tests salvix_bundles salvix_data)
  endif()
endif()
