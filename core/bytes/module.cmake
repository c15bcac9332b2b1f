# The byte layer: bounded readers and writers over bytes from disks, images and stored files.
salvix_module(salvix_bytes core/bytes)
