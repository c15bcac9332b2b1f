# Partition tables, volume analysers, device collection and the lost-partition search: the top of the
# file systems, above every parser.
salvix_module(salvix_partitions filesystems/partitions DEPS salvix_ntfs salvix_fat salvix_ext2 salvix_fscommon salvix_tree
              salvix_devices salvix_filetypes salvix_core salvix_platform salvix_bytes)
