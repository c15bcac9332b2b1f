// One entry of a partition table as read: where it lies, what file system its start holds, its drive letter
// and a window device over its sectors.
#pragma once

#include "core/devices/CBasicPartitionDevice.h"

#include <cstdint>
#include <memory>
#include <vector>

struct CBasicPartitionInfo {
    uint64_t u64StartSector = 0; // first sector on the device
    uint64_t u64SectorCount = 0;
    char szLabel[100] = {};      // volume label, zero-terminated
    char cDriveLetter = 0;       // 'A'..'Z', 0 when none
    int32_t nFileSystemKind = 7; // kFsKind*, 7 until an analyser recognises the start
    // The window over [start, start + count) of the device read; owned by the entry until a holder releases it
    // (the basic-volume collector hands it to its volume record). It never owns the device it reads.
    std::unique_ptr<CBasicPartitionDevice> pWindow;
};

// Entries in the order they were found.
using CBasicPartitionList = std::vector<CBasicPartitionInfo>;
