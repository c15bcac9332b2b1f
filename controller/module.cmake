# The page controllers are plain C++ (they reach windows through interfaces), so they build and are
# tested without the GUI as well.
salvix_module(salvix_controller controller DEPS salvix_saving salvix_raw salvix_partitions salvix_recoverystate salvix_diskimage salvix_ntfs
              salvix_fat salvix_ext2 salvix_tree salvix_rsdata salvix_devices salvix_fscommon salvix_filetypes
              salvix_core salvix_platform salvix_bytes)
