// Filling NTFS file properties from a FILE record group: the one place where they are made from disk, with
// the packed runs of a found file's $DATA.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/tree/PackedDataRun.h"

#include <cstdint>
#include <memory>

// The properties of the group's record, or null when it yields no file (no record, no usable name, left out
// by the extension filter or by photo mode). parent receives the parent record number the names give (the
// second name's when it is 5 or more, else the first's when it is 5 or more, else the chosen name's).
std::unique_ptr<CNTFSFileProperties> BuildNTFSFileProperties(CNTFSFileRecordGroup& group, uint64_t recordSector,
                                                             uint32_t bytesPerCluster, int64_t* parent = nullptr);

// The packed runs of non-resident data: one run {LCN, length} per run in list order (VCNs dropped, holes kept
// as holes); null for an empty list.
std::unique_ptr<PackedDataRun> PackNonResidentRuns(const CNTFSRunList& runs);
// The packed run of resident data: {record sector, 1} with the resident offset = attribute offset + value offset.
std::unique_ptr<PackedDataRun> PackResidentRun(const CNTFSAttributeHeader& data, uint64_t recordSector,
                                               size_t attributeOffset);
