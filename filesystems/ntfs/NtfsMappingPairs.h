// NTFS mapping pairs: their test and decoding into attribute run lists, the gathering of a record's $DATA
// runs, the reading of a non-resident attribute into a buffer, and the derivation of a volume's sectors per
// cluster from one record.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"
#include "filesystems/ntfs/CNTFSRunList.h"

#include <cstdint>
#include <optional>
#include <span>

class IStorageDevice;

// Well formed: each header byte's nibbles are at most 4, every pair plus the closing zero lies inside the bytes.
bool IsValidRunList(std::span<const uint8_t> pairs);
// Appends the runs of the pairs (VCNs counted from 0). Stops at a zero header, at the end of the bytes, or at
// a pair whose fields are wider than 8 bytes or run past the end; returns the number of runs appended.
size_t DecodeRunList(std::span<const uint8_t> pairs, CNTFSRunList& list);
// Sum of the pairs' length fields, in 32 bits (for pairs that passed IsValidRunList).
uint32_t GetMappingPairsLength(std::span<const uint8_t> pairs);

// For an unnamed non-resident attribute with a valid header: appends the runs of its mapping pairs (when they
// pass IsValidRunList) shifted by its first VCN and returns the first VCN; dataSize receives its data size
// (0 when it has no valid pairs). Nothing for a named, resident or damaged attribute.
std::optional<uint64_t> AppendAttributeRuns(const CNTFSAttributeHeader& attribute, CNTFSRunList& list,
                                            uint64_t* dataSize = nullptr);

// Gathers the runs of the record's unnamed non-resident $DATA extents (named streams skipped). Fails on a
// resident unnamed $DATA, and, with check set, on an uncompressed extent whose mapping pairs do not cover
// last VCN - first VCN + 1 clusters. dataSize receives the data size of the extent starting at VCN 0.
// The record must already be fixed up. Runs appended before a failure stay in the list.
bool CollectDataRuns(std::span<const uint8_t> record, CNTFSRunList& list, bool check, uint64_t* dataSize);

// Reads the clusters of the pairs into the buffer: run after run at buffer offset (sectors so far) x sector
// size, stopping before a run that would not fit. Sparse runs are left as zeros (the buffer is zeroed first),
// never read. A failed read leaves its part zero. False only without a usable device.
bool ReadNonResidentData(std::span<const uint8_t> pairs, std::span<uint8_t> buffer, uint64_t partitionStart,
                         uint32_t sectorsPerCluster, IStorageDevice* device);

// data size / clusters / sector size, rounded up, then up to a power of two from 1 to 128; 0 otherwise.
uint8_t SectorsPerClusterFromSize(uint64_t dataSize, uint64_t clusters, int sectorSize);
// From the record's checked $DATA runs, in sectors of sectorSize bytes (the scanned device's): true with a value
// (which may be 0) once the runs were collected.
bool DeriveSectorsPerCluster(std::span<const uint8_t> record, int sectorSize, uint8_t& sectorsPerCluster);

// The sector is the first sector of cluster n of the partition.
bool NtfsIsRecordIndexAt(uint64_t sector, uint64_t n, uint64_t partitionStart, uint32_t sectorsPerCluster);
