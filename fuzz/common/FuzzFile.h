// A file holding the current fuzz input, for decoders that only read from a path: one file per process,
// rewritten for every input and removed at exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Writes the bytes to "<folder>/salvix-fuzz-<pid>-<name>" and answers its path; aborts when it cannot. The
// folder is $SALVIX_FUZZ_TMP, else /dev/shm when present, else the temporary folder.
std::string WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size);

} // namespace fuzz
