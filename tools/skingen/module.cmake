# Build tool that checks the string tables and draws the skin bitmaps of the language bundles
# (resources/bundles.cmake runs it).
salvix_layer(salvix_skingen tools/skingen QT DEPS salvix_controls)
if(SALVIX_GUI)
  add_executable(salvix_skingen
    ${CMAKE_SOURCE_DIR}/tools/skingen/main.cpp
    ${CMAKE_SOURCE_DIR}/tools/skingen/SkinPainter.cpp
    ${CMAKE_SOURCE_DIR}/tools/skingen/SkinTable.cpp
    ${CMAKE_SOURCE_DIR}/controls/CStringTable.cpp)
  target_include_directories(salvix_skingen PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(salvix_skingen PRIVATE Qt6::Gui)
endif()
