// The partition-list section of a recovery-state file: found partitions with their window devices and
// which one was chosen.
//
// Section {7DC06525-638A-4A8C-B7D1-6419641247DB}, little-endian:
//   u32 record count n
//   n x 76 bytes: start sector (8), sector count (8), first 40 bytes of the label (40), file-system kind (4),
//                 the window device's first sector on its parent (8), its sector count (8)
//   i32 index of the chosen record in list order, -1 when none
#pragma once

#include <vector>

#include "filesystems/common/CLostPartitionRecord.h"
#include "core/rsdata/IRSData.h"

class IStorageDevice;

constexpr int kPartitionListLabelBytes = 40;

// Writes the section; selected is a pointer into list or null. Stream errors pass as CRSException.
bool SavePartitionList(const std::vector<CLostPartitionRecord*>& list, const CLostPartitionRecord* selected,
                       IRSData* stream);

// Replaces the list (whose records and window devices it owns: both are deleted first) by the stored
// records, each with a new window device over parent (none when parent is null), and sets selected (null
// when none was chosen). On a CRSException the list is left empty, selected null, and it passes on.
bool LoadPartitionList(std::vector<CLostPartitionRecord*>& list, CLostPartitionRecord*& selected,
                       IStorageDevice* parent, IRSData* stream);

// Deletes every record of the list with its window device and empties it.
void DeletePartitionList(std::vector<CLostPartitionRecord*>& list);
