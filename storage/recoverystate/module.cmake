# Recovery-state files: the compressed stream, the process-wide streams, the stored partition lists, file
# trees, found partitions, scanners and RAW hits of every file system, the saved device records and the
# exported-state container.
salvix_module(salvix_recoverystate storage/recoverystate DEPS salvix_rsdata salvix_codecs salvix_fscommon salvix_tree
              salvix_fat salvix_ntfs salvix_ext2 salvix_raw salvix_partitions salvix_diskimage salvix_devices
              salvix_core salvix_platform salvix_bytes ZLIB::ZLIB)
