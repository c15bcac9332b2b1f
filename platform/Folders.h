// The folders the program uses: where it lies, its read-only data, its writable state, its settings,
// its run-time lock files and its private temporary folder.
#pragma once

#include <filesystem>

namespace plat {

// The folder holding the running executable (from /proc/self/exe).
std::filesystem::path ProgramFolder();

// Read-only data (FileFilter.xml, header scripts, help, language bundles): SALVIX_DATA_DIR when set,
// else <program folder>/data when it exists, else the data folder of the build tree.
std::filesystem::path DataFolder();

// Files the program writes for itself (log, recovery states, crash dumps, config.ini):
// SALVIX_STATE_DIR when set, else $XDG_STATE_HOME/salvix, else ~/.local/state/salvix. Created on demand
// (mode 0700); an empty path when it cannot be made.
std::filesystem::path StateFolder();

// The settings file's folder: SALVIX_CONFIG_DIR when set, else $XDG_CONFIG_HOME/salvix, else ~/.config/salvix.
// Not created here.
std::filesystem::path ConfigFolder();

// Lock files of the running program: $XDG_RUNTIME_DIR/salvix when XDG_RUNTIME_DIR is set, else the state folder.
std::filesystem::path RuntimeFolder();

// The process's private temporary folder: made once with mkdtemp (mode 0700) under $TMPDIR (or /tmp),
// removed with its contents when the process exits normally. Empty path when it cannot be made.
std::filesystem::path TempFolder();

} // namespace plat
