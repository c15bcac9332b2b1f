// Shared by the tree builders of every file system: the name of a scanned partition's folder node, and the
// test of a found file's name against the extension filter. Header-only, so that the file-system modules
// use it without linking the partition module.
#pragma once

#include "core/CRecoverySettings.h"
#include "core/filetypes/CFileTypeFilter.h"

#include <cstdio>
#include <cstring>
#include <string>

// A device or label as part of a folder name: a loop device's "loop0: disk.img" reads "loop0 disk.img", and
// any other ':' becomes a space, since the saver would turn it into '#'.
inline std::string WithoutColons(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != ':') {
            out += text[i];
        } else if (i + 1 >= text.size() || text[i + 1] != ' ') {
            out += ' ';
        }
    }
    return out;
}

// The selected source's device name and label around the file-system name and the partition's number:
// "sdb1 (DATA - NTFS 1)", "sdb1 (NTFS 1)", "DATA(NTFS 1)" or "NTFS 1". Drive letters are internal and never
// part of the name, nor is a ':', which a saved folder could not keep. The options are only read (tree
// builds call this on their workers). At most 254 bytes.
inline std::string FormatPartitionName(const char* fileSystemName, int number)
{
    const CRecoverySettings* settings = GetRecoverySettings();
    const std::string deviceName = WithoutColons(settings->m_selectedDeviceName);
    const std::string sourceName = WithoutColons(settings->m_selectedSourceName);
    const char* device = deviceName.c_str();
    const char* source = sourceName.c_str();
    const char* name = fileSystemName ? fileSystemName : "";
    char text[255];
    if (*device && *source)
        std::snprintf(text, sizeof text, "%s (%s - %s %d)", device, source, name, number);
    else if (*device)
        std::snprintf(text, sizeof text, "%s (%s %d)", device, name, number);
    else if (*source)
        std::snprintf(text, sizeof text, "%s(%s %d)", source, name, number);
    else
        std::snprintf(text, sizeof text, "%s %d", name, number);
    return text;
}

// Whether a found file is listed: always for a null name or a folder (or label); otherwise as the extension
// filter decides for its name, a name without an extension included (CFileTypeFilter::IsFileNameWanted).
inline bool IsExtensionWanted(const char* name, bool folder)
{
    if (!name || folder) return true;
    return GetFileTypeFilter().IsFileNameWanted(name);
}
