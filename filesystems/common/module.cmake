# The contracts every file system and scanner shares: build and search callbacks, found-partition records,
# the scanner contract, volume analysers and partition naming. Below the parsers; they all may use it.
salvix_module(salvix_fscommon filesystems/common DEPS salvix_rsdata salvix_filetypes salvix_core salvix_bytes
              TEST_DEPS salvix_tree)
