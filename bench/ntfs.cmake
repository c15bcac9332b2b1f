# The NTFS directory-tree build from the $MFT, timed on a volume that bench/ntfs.sh makes at run time (the
# program takes the image as its argument, so bench/run.sh does not start it on its own).
add_executable(ntfs_tree_timing ${CMAKE_SOURCE_DIR}/bench/ntfs_tree_timing.cpp)
target_link_libraries(ntfs_tree_timing PRIVATE salvix_ntfs)
