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
