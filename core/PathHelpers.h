// The root of a path, the NTFS test of a target folder and the characters a file name may not hold. Besides
// Linux paths, the letter form ("C:\data", letters as the platform assigns them) and network shares
// ("\\server\share\...") are understood, as paths chosen or typed by the user may take them.
#pragma once

#include <string>
#include <string_view>

// Roots: "C:\" for a path that starts with a letter and a colon; "\\server\share\" for a network
// path; the mount point holding an absolute Linux path, with a trailing "/"; empty for other
// paths (all of these answer true). False for a null path, for other paths of fewer than 2 or more
// than 260 characters; Linux paths may be as short as "/" and as long as the system allows.
bool GetPathRoot(const char* path, std::string* root);

// Whether the folder (a root from GetPathRoot or any path inside a volume) lies on an NTFS volume:
// for a letter, the volume mounted for it; for a Linux path, the mount holding it.
bool IsNtfsVolume(const char* rootPath);

// The name with every character a file name may not hold on Linux or Windows replaced by '#': '/', '\\', the
// characters : ? | * > < " and control characters (below 0x20, and 0x7F). Nothing else changes, so the
// caller decides about empty names, dots and length.
std::string ReplaceForbiddenNameChars(std::string_view name);
