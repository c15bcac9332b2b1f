// The contract every scanner shares (NTFS, FAT, ext2 and the signature scanner): fed consecutive blocks of
// a device, it collects evidence, turns it into found partitions, and later builds the tree of one of them.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"

#include <cstdint>
#include <list>
#include <memory>
#include <span>

class CFileSystemNode;
class CRawFileList;
class IDIRBuildCallback;
class IRSData;
class IStorageDevice;
struct CIntelligentSearchStatistics;

// GetKind values of scanners; also the 4-byte kind before each scanner in a saved scan.
enum SearchControllerKind : int {
    kSearchControllerNTFS = 0,
    kSearchControllerFAT = 1,
    kSearchControllerRAW = 2,
    kSearchControllerEXT2 = 3,
};

// Calling order: SetRawFileList, SetDevice, SetBlockSectors, BeginSearch, AnalyzeBlock for consecutive
// blocks in ascending order, EndSearch, GetSearchedPartitions; then any number of BuildDirectoryTree; SaveState
// after a scan or LoadState in place of one. One thread at a time.
class IFileSystemSearchController {
public:
    virtual ~IFileSystemSearchController() = default;
    // The device to scan; not owned.
    virtual void SetDevice(IStorageDevice* device) = 0;
    // Sectors of each later AnalyzeBlock call; buffers are sized by it.
    virtual void SetBlockSectors(int sectors) = 0;
    // Allocates buffers and working objects; once before the first block.
    virtual void BeginSearch() = 0;
    // Turns the evidence into found partitions and frees the per-scan buffers.
    virtual void EndSearch() {}
    // Examines sectors [first, first + count) and adds to the statistics; returns 1.
    virtual int AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount, CIntelligentSearchStatistics* statistics) = 0;
    // The same, with the sectors already read: bytes holds sectorCount sectors of the device's sector size
    // (unreadable ones as zeros) and is only valid during the call, so a scanner copies what it keeps. By
    // default the scanner reads them again through AnalyzeBlock.
    virtual int AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                  CIntelligentSearchStatistics* statistics)
    {
        (void)bytes;
        return AnalyzeBlock(firstSector, sectorCount, statistics);
    }
    // The same again, with a share in the memory of bytes: a scanner may keep the share (and with it the bytes,
    // unchanged) instead of copying them. By default the bytes are analysed as by AnalyzeBlockBytes.
    virtual int AnalyzeSharedBlock(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                   const std::shared_ptr<const uint8_t>& share,
                                   CIntelligentSearchStatistics* statistics)
    {
        (void)share;
        return AnalyzeBlockBytes(firstSector, sectorCount, bytes, statistics);
    }
    // Appends the found partitions; the caller's list owns them from then on.
    virtual void GetSearchedPartitions(CSearchedPartitionList& partitions) = 0;
    // The signature scanner's hits of the same scan; not owned.
    virtual void SetRawFileList(CRawFileList* hits) = 0;
    // What the scanner needs to build trees later without scanning again; stream errors pass to the caller.
    virtual void SaveState(IRSData* stream) = 0;
    virtual void LoadState(IRSData* stream) = 0;
    virtual int GetKind() const = 0;
    // The found-file tree of one found partition, owned by the caller; null when this scanner builds none.
    virtual CFileSystemNode* BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int index,
                                                IDIRBuildCallback* callback)
    {
        (void)partition, (void)device, (void)index, (void)callback;
        return nullptr;
    }
    // Whether this scanner builds trees for partitions of that file-system kind (kFsKind*).
    virtual bool IsFileSystemSupported(int fileSystemKind) const
    {
        (void)fileSystemKind;
        return false;
    }
};

// Scanner lists are not owners unless their maker says so.
using CSearchControllerList = std::list<IFileSystemSearchController*>;

// The tree of the partition from the first scanner of the list that supports its file-system kind; null when
// none does or the build fails.
CFileSystemNode* DispatchBuildDirectory(const CSearchControllerList& controllers, CSearchedPartitionInfo* partition,
                                        IStorageDevice* device, int index, IDIRBuildCallback* callback);
// Hands the hit list to every scanner of the list (null entries skipped).
void SetControllersRawFileList(const CSearchControllerList& controllers, CRawFileList* hits);
