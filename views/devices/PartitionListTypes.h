// The rows of the found-partition list, the partitions of its layout drawing, and the scanned device the
// drawing is scaled to.
#pragma once

#include <cstdint>
#include <string>

// One row as a scan-partition page hands it to CMultipleChoosePartitionListCtrl::AddPartition.
struct PARTITION_LIST_ITEM {
    struct Option {
        int bChecked = 0;
        std::string text;
    };
    std::string name;
    int nFileSystemKind = 7;
    uint32_t nSectorSize = 512;
    uint64_t u64StartSector = 0;
    uint64_t u64LastSector = 0; // inclusive
    double dScore = 0.0;        // 0.0 to 1.0
    int nOptionCount = 0;       // 0 to 4
    Option options[4];
    uint32_t nFilesMatch = 0;
    uint32_t nFoldersMatch = 0;
    int nSuggestionType = 0;   // 1 recommended, 2 marked otherwise by the page, 0 the rest
    void* pItemData = nullptr; // the page's partition record; not owned
};

// One partition as the layout draws it.
struct PARTITION_LAYOUT_ITEM {
    std::string name;
    int nFileSystemKind = 7;
    uint64_t u64StartSector = 0;
    uint64_t u64LastSector = 0;
    uint32_t nSectorSize = 512;
    double dScore = 0.0;

    // The same partition: start, last sector, kind and score all equal.
    bool IsSamePartition(const PARTITION_LAYOUT_ITEM& o) const
    {
        return u64StartSector == o.u64StartSector && u64LastSector == o.u64LastSector &&
               nFileSystemKind == o.nFileSystemKind && dScore == o.dScore;
    }
    // Overlapping ranges of the same sector size.
    bool Overlaps(const PARTITION_LAYOUT_ITEM& o) const
    {
        return nSectorSize == o.nSectorSize && u64StartSector <= o.u64LastSector && u64LastSector >= o.u64StartSector;
    }
};

// What the page tells the layout about the scanned device.
struct PARTITION_LAYOUT_SOURCE {
    const char* pszName = nullptr;
    int nKind = 0; // 0 disk, 1 disk with the open-disk icon, 2 disk image, 3 volume or partition
    uint64_t u64SectorCount = 0;
    uint32_t nSectorSize = 512;
};
