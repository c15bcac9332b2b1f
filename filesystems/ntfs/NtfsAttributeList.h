// Records that spread over extension records: the file references of a record's $ATTRIBUTE_LIST, the
// mapping of a record number to its sector through the $MFT runs, and the extension records of a base record.
#pragma once

#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/ntfs/NtfsStructures.h"

#include <cstdint>
#include <span>
#include <vector>

class IStorageDevice;

// Largest attribute list read from clusters; a longer one is treated as damaged.
inline constexpr uint64_t kMaxAttributeListBytes = 256 * 1024;

// The distinct record numbers named by the record's first $ATTRIBUTE_LIST, in order of first appearance,
// each with sector -1; empty when the record is not valid, has no list, or the list cannot be read.
std::vector<CNTFSExtensionEntry> ReadAttributeList(std::span<const uint8_t> record, uint64_t partitionStart,
                                                   uint32_t sectorsPerCluster, IStorageDevice* device);

// The sector of a record through the $MFT runs (sectors per record and per cluster in device sectors), or -1
// when its cluster is not mapped.
int64_t MftRecordToSector(uint64_t recordNumber, uint32_t sectorsPerCluster, uint64_t partitionStart,
                          const CNTFSRunList& mftRuns, uint32_t sectorsPerRecord);

// ReadAttributeList with every entry mapped to its sector; entries that do not map or that are the base
// record itself are dropped.
std::vector<CNTFSExtensionEntry> GetExtensionRecordSectors(std::span<const uint8_t> record, uint64_t recordSector,
                                                           uint32_t sectorsPerCluster, uint64_t partitionStart,
                                                           IStorageDevice* device, const CNTFSRunList& mftRuns,
                                                           uint32_t sectorsPerRecord);
