// The lost-partition search task.
#include "views/devices/CLostPartitionSearchTask.h"

#include "filesystems/partitions/CPartitionTableAnalyze.h"
#include "filesystems/partitions/DeviceRecords.h"
#include "views/devices/CLostPartitionSearchingDialog.h"
#include "views/devices/LostPartitionMerge.h"

void CLostPartitionSearchTask::Run(const DiskDeviceRecord& disk, std::vector<CLostPartitionRecord>& out)
{
    if (!disk.pDevice || !SetDevice(disk.pDevice))
        return;
    AddFileSystemController(&m_fat);
    AddFileSystemController(&m_ntfs);
    AddFileSystemController(&m_ext2);
    AddAlgorithms(int(disk.nHeads));
    RunLostPartitionSearchDialog(
        [this](IPartitionSearchCallback* cb, const std::function<void()>& pump) { CPartitionSearchEngine::Run(cb, pump); },
        out);
}

void CLostPartitionSearchTask::RunAndMerge(const DiskDeviceRecord& disk, std::vector<CLostPartitionRecord>& out)
{
    std::vector<CLostPartitionRecord> hits;
    Run(disk, hits);
    CBasicPartitionList table;
    if (disk.pDevice)
        CPartitionTableAnalyze().ReadPartitions(disk.pDevice, table);
    MergeWithPartitionTable(hits, table, out);
}
