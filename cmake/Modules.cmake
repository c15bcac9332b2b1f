# Every folder that builds something holds a module.cmake declaring it; link names resolve at generate
# time, so the order in which they are read does not matter.
set(_roots platform core filesystems raw storage controls views controller wizard app tests bench tools resources)
set(_mods)
foreach(r ${_roots})
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${r}/module.cmake)
  list(APPEND _mods ${found})
endforeach()
list(SORT _mods)
foreach(m ${_mods})
  include(${m})
endforeach()

# The layering table, one row per module (name|folder|QT|deps|test deps), read by tools/layering.
get_property(_layers GLOBAL PROPERTY SALVIX_LAYERS)
list(SORT _layers)
string(REPLACE ";" "\n" _layer_text "${_layers}")
set(SALVIX_LAYER_TABLE ${CMAKE_BINARY_DIR}/layering/modules.txt)
file(WRITE ${SALVIX_LAYER_TABLE} "# name|folder|QT|may use|tests may also use\n${_layer_text}\n")
