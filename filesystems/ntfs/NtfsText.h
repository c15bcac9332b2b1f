// UTF-16 names from NTFS structures as the system's narrow text (UTF-8): an unpaired surrogate becomes the
// default character, and a size limit cuts on a character boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// maxBytes: the longest result, in bytes (0: no limit).
std::string NtfsNameToText(std::u16string_view name, size_t maxBytes = 0, char defaultChar = '_');
