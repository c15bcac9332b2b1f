// Making the objects of a saved scan by the kind stored before each one: the found-partition records and
// the scanners. A kind this build cannot make is refused, so that a reader never goes on out of step.
#pragma once

#include <memory>

#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/common/IFileSystemSearchController.h"

// An empty record of that kind (kSearchedPartition*) with sector size 512; null for any other kind.
std::unique_ptr<CSearchedPartitionInfo> CreateSearchedPartitionInfo(int kind);

// A fresh scanner of that kind (kSearchController*); null for a kind unknown here or whose scanner this
// build does not have.
std::unique_ptr<IFileSystemSearchController> CreateSearchController(int kind);
