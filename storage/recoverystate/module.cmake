# Recovery-state files: the compressed stream, the process-wide streams, and the stored partition lists
# and file trees of every file system.
salvix_module(salvix_recoverystate storage/recoverystate DEPS salvix_rsdata salvix_codecs salvix_fscommon salvix_tree
              salvix_fat salvix_ntfs salvix_ext2 salvix_devices salvix_core salvix_platform salvix_bytes)
