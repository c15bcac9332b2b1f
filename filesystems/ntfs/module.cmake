salvix_module(salvix_ntfs filesystems/ntfs DEPS salvix_fscommon salvix_tree salvix_rsdata salvix_devices salvix_filetypes
              salvix_core salvix_platform salvix_bytes)
