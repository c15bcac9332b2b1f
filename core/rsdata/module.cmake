# The recovery-state format: the typed stream contract (IRSData), its error, the section GUIDs and the
# file-backed stream base. Low enough that the found-file tree and the parsers store themselves through it.
salvix_module(salvix_rsdata core/rsdata DEPS salvix_bytes salvix_core salvix_platform)
