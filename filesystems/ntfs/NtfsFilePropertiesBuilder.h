// Filling NTFS file properties from a FILE record group: the one place where they are made from disk, with
// the two run-list forms of a found file's $DATA.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/tree/DataRunLists.h"

#include <cstdint>
#include <memory>

// The properties of the group's record, or null when it yields no file (no record, no usable name, left out
// by the extension filter or by photo mode). parent receives the parent record number the names give (the
// second name's when it is 5 or more, else the first's when it is 5 or more, else the chosen name's).
std::unique_ptr<CNTFSFileProperties> BuildNTFSFileProperties(CNTFSFileRecordGroup& group, uint64_t recordSector,
                                                             uint32_t bytesPerCluster, int64_t* parent = nullptr);

// One run {LCN, length} per run in list order (VCNs dropped); null for an empty list. totalClusters receives
// the sum of the lengths.
std::unique_ptr<CNoneResidentNTFSDataRunList> MakeNonResidentRunList(const CNTFSRunList& runs,
                                                                     uint64_t* totalClusters = nullptr);
// {record sector, 1} with the resident offset = attribute offset + value offset; valueLength receives the
// value length.
std::unique_ptr<CResidentNTFSDataRunList> MakeResidentRunList(const CNTFSAttributeHeader& data, uint64_t recordSector,
                                                              size_t attributeOffset, uint64_t* valueLength = nullptr);
