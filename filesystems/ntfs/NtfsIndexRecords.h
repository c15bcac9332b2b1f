// The other NTFS blocks a scan meets on a raw device: INDX index records (with their full fix-up and entry
// check), the $INDEX_ROOT of a folder record, and RCRD pages of $LogFile.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"

#include <cstdint>
#include <span>

bool NtfsIsIndxMagic(std::span<const uint8_t> record);
// Header test, fix-ups over every unit, and entry consistency (allocated >= real size, one parent reference
// for all entries). The buffer is left as it was given. Records up to 64 KiB.
bool NtfsCheckAndFixIndxRecord(std::span<uint8_t> record);
uint64_t NtfsIndxGetVcn(std::span<const uint8_t> record);
uint64_t NtfsIndxGetLsn(std::span<const uint8_t> record);
// The 48-bit parent record number in the first entry's key; -1 when it lies outside the buffer.
int64_t NtfsIndxGetFirstParentRef(std::span<const uint8_t> record);

// The record number of the folder whose $INDEX_ROOT this is (the parent all its entries name), or -1.
int64_t NtfsIndexRootCommonParentRef(const CNTFSAttributeHeader& indexRoot);

bool NtfsIsRcrdMagic(std::span<const uint8_t> page);
// "RCRD", update-sequence count 9 at offset 40, and the sequence number at the end of each of its 8 units.
bool NtfsIsValidRcrdPage(std::span<const uint8_t> page);
