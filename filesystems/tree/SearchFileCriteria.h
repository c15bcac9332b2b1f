// What the search dialog's panes ask for, gathered into one record that the search filter is built from.
#pragma once

#include "filesystems/tree/IFileProperties.h"

#include <cstdint>

class CFileNode;

enum : uint32_t {
    kSearchByType = 0x1,
    kSearchByDate = 0x2,
    kSearchBySize = 0x4,
    kSearchOther = 0x8,
};

enum : int {
    kDateModified = 1,
    kDateCreated = 2,
    kDateAccessed = 4,
};

enum : int {
    kSizeAtMost = 1,
    kSizeAtLeast = 2,
};

struct SEARCH_FILE_CRITERIA {
    char szName[260] = "*";           // the name wildcard, already wrapped as "*" + text + "*"
    int bAutoSelect = 0;              // check every file found
    CFileNode* pLocation = nullptr;   // the folder searched; not owned
    uint32_t dwFlags = 0;             // kSearchBy... bits: which optional tests are consulted
    char szTypeExtensions[520] = "*"; // ";"-separated type masks
    char szTypeName[80] = "*";
    int nDateKind = kDateModified;
    FILETIME ftFrom = 0; // both ends included
    FILETIME ftTo = 0;
    int nSizeKind = kSizeAtMost;
    uint64_t ullSizeLimit = 0; // bytes, inclusive
    int bMatchCase = 0;
    int bIncludeEncrypted = 1;
};
