// Dropping hits that the partition table already holds.
#include "views/devices/LostPartitionMerge.h"

#include "core/devices/IStorageDevice.h"

#include <algorithm>

void MergeWithPartitionTable(std::vector<CLostPartitionRecord>& hits, const CBasicPartitionList& table,
                             std::vector<CLostPartitionRecord>& out)
{
    for (CLostPartitionRecord& hit : hits) {
        const bool known = std::any_of(table.begin(), table.end(), [&](const CBasicPartitionInfo& p) {
            return p.u64StartSector == hit.u64StartSector;
        });
        if (known) {
            delete hit.pDevice;
            hit.pDevice = nullptr;
            continue;
        }
        out.push_back(hit);
    }
    hits.clear();
}
