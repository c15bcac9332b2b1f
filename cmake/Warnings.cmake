# Modules kept free of -Wshadow and -Wconversion warnings. With GCC a new one fails the build, so the list
# only grows; other compilers (clang for the fuzzers) word these checks differently and only warn.
set(SALVIX_STRICT_MODULES
    salvix_bytes salvix_core salvix_rsdata salvix_devices salvix_filetypes salvix_platform
    salvix_codecs salvix_diskimage salvix_saving
    salvix_fscommon salvix_tree salvix_raw salvix_recoverystate salvix_partitions salvix_appshell
    salvix_previewformats salvix_fat salvix_ext2 salvix_ntfs)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(_strict_flags -Wshadow -Wconversion -Werror=shadow -Werror=conversion)
else()
  set(_strict_flags -Wshadow -Wconversion)
endif()
foreach(_t ${SALVIX_STRICT_MODULES})
  if(TARGET ${_t})
    get_target_property(_type ${_t} TYPE)
    if(NOT _type STREQUAL "INTERFACE_LIBRARY")
      target_compile_options(${_t} PRIVATE ${_strict_flags})
    endif()
  endif()
endforeach()
