# The page controllers are plain C++ (they reach windows through interfaces), so they build and are
# tested without the GUI as well.
salvix_module(salvix_controller controller DEPS salvix_partitions salvix_fscommon salvix_filetypes salvix_core
              salvix_platform)
