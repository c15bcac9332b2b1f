// The lost-partition search task.
#include "views/devices/CLostPartitionSearchTask.h"

#include "filesystems/partitions/CPartitionTableAnalyze.h"
#include "filesystems/partitions/DeviceRecords.h"
#include "views/devices/CLostPartitionSearchingDialog.h"
#include "views/devices/LostPartitionMerge.h"

PartitionSearchResult CLostPartitionSearchTask::Run(const DiskDeviceRecord& disk,
                                                    std::vector<CLostPartitionRecord>& out)
{
    if (!disk.pDevice || !SetDevice(disk.pDevice)) return PartitionSearchResult::Failed;
    AddFileSystemController(&m_fat);
    AddFileSystemController(&m_ntfs);
    AddFileSystemController(&m_ext2);
    AddAlgorithms(int(disk.nHeads));
    PartitionSearchResult result = PartitionSearchResult::Failed;
    RunLostPartitionSearchDialog(
        [this, &result](IPartitionSearchCallback* cb, const std::function<void()>& pump) {
            result = CPartitionSearchEngine::Run(cb, pump);
        },
        out);
    return result;
}

PartitionSearchResult CLostPartitionSearchTask::RunAndMerge(const DiskDeviceRecord& disk,
                                                            std::vector<CLostPartitionRecord>& out)
{
    std::vector<CLostPartitionRecord> hits;
    const PartitionSearchResult result = Run(disk, hits);
    CBasicPartitionList table;
    if (disk.pDevice) CPartitionTableAnalyze().ReadPartitions(disk.pDevice, table);
    MergeWithPartitionTable(hits, table, out);
    return result;
}
