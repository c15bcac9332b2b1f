# The found-file tree: nodes, properties, data runs, readers and the file filters.
salvix_module(salvix_tree filesystems/tree DEPS salvix_fscommon salvix_rsdata salvix_devices salvix_filetypes salvix_core
              salvix_platform salvix_bytes Boost::regex)
