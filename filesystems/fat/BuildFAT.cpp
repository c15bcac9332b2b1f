// The directory-build runner for FAT volumes, without its dialog.
#include "filesystems/fat/BuildFAT.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/FileTree.h"

CFileSystemNode* BuildFAT(IStorageDevice* volume, bool fat32, bool includeAll, IDIRBuildCallback* callback,
                          bytes::ParseResult* result, const CFATTreeBuilder::MessagePump& pump)
{
    if (result) *result = {};
    if (volume == nullptr) {
        if (result) result->Merge(bytes::ParseStatus::IoFailure);
        return nullptr;
    }
    const int32_t sectorSize = volume->GetSectorSize();
    CFATSearchedPartitionInfo partition(sectorSize > 0 ? unsigned(sectorSize) : 512u);
    partition.u64StartSector = 0;
    partition.u64SectorsCount = volume->GetSectorCount();
    uint32_t flags = fat32 ? (kFATFlagFAT32Boot | kFATFlagFAT32BackupBoot) : (kFATFlagFAT12Boot | kFATFlagFAT16Boot);
    const CRecoverySettings* settings = GetRecoverySettings();
    if (settings->m_fatUseFirstCopy) flags |= kFATFlagFoundFAT1 | kFATFlagUseFAT1;
    if (settings->m_fatUseSecondCopy) flags |= kFATFlagFoundFAT2 | kFATFlagUseFAT2;
    partition.AddFlags(flags);

    CFATTreeBuilder builder;
    CFileSystemNode* tree = builder.RunQuickBuild(callback, &partition, volume, includeAll, pump);
    if (result) *result = builder.GetResult();
    // A cancel that came after the worker's last look still means the user wants no tree.
    if (callback && callback->CheckCancel() == -1) {
        if (result) result->Merge(bytes::ParseStatus::Cancelled);
        DeleteFoundTree(tree);
        return nullptr;
    }
    return tree;
}
