// The merge of the lost-partition search's hits with the disk's partition table: a hit that starts where a
// table partition starts is that partition again and is dropped.
#pragma once

#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/partitions/CBasicPartitionInfo.h"

#include <vector>

// Moves the hits, in order, whose start sector is no table entry's start to out; the window devices of the
// dropped hits are deleted. hits is left empty.
void MergeWithPartitionTable(std::vector<CLostPartitionRecord>& hits, const CBasicPartitionList& table,
                             std::vector<CLostPartitionRecord>& out);
