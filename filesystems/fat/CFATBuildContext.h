// The state one FAT directory-tree build shares between its walkers: geometry, the FAT table, the directory
// map from first clusters to folder nodes, the clusters already read, the cluster-use bitmap of live files,
// and the walkers that turn directory entries into found-file nodes with runs.
#pragma once

#include "core/bytes/ParseStatus.h"
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/TreeReshaping.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_set>
#include <vector>

class CFileNode;
class CFileSystemNode;
class IDIRBuildCallback;
class IFATTable;
class IStorageDevice;
class CFATDataRunList;

// Where a FAT volume's structures lie, in sectors of the device.
struct FATVolumeGeometry {
    int type = kFsKindNone; // kFsKindFat12, kFsKindFat16 or kFsKindFat32
    uint64_t start = 0;     // first sector of the partition
    uint32_t sectorsPerCluster = 0;
    uint64_t rootSector = 0;  // first sector of the fixed root directory (FAT12/16)
    uint32_t rootSectors = 0; // sectors of the fixed root directory (FAT12/16)
    uint32_t rootCluster = 0; // first cluster of the root directory (FAT32)
    bool rootPresent = false; // the build knows where the root directory is
    uint64_t dataStart = 0;   // first sector of cluster 2
    uint64_t sectorCount = 0; // sectors of the partition
};

// Folders waiting to be walked, in the order found.
using FATDirectoryQueue = std::deque<CFileNode*>;

// Answers whether a cluster holds directory entries that do not begin a directory (as a scan saw it).
using FATDirectoryPartTest = std::function<bool(uint32_t cluster)>;

// A node the build made that no tree holds yet: freed with its properties unless handed on (release()).
struct FATNodeDeleter {
    void operator()(CFileNode* node) const { DeleteNodeWithProperties(node); }
};
using FATNodePtr = std::unique_ptr<CFileNode, FATNodeDeleter>;

// Used by one build on one thread. The tree it builds is handed to the caller; until then FreeBuildTree frees
// it (nodes and properties) together with folders that never found a parent.
class CFATBuildContext {
public:
    // Directory clusters are read in runs of at most this many sectors (one cluster when that is larger).
    static constexpr uint32_t kReadRunSectors = 128;
    // Bytes of an unfinished long name carried from one run into the next, at most.
    static constexpr size_t kMaxCarry = 1023;
    // What ProcessDirectoryEntries answers for a buffer that is no directory.
    static constexpr int kNotADirectory = -1;

    // callback may be null; table is the build's (not owned) and may answer 0 for everything.
    CFATBuildContext(IDIRBuildCallback* callback, IStorageDevice* device, const FATVolumeGeometry& geometry,
                     const IFATTable* table);
    ~CFATBuildContext();
    CFATBuildContext(const CFATBuildContext&) = delete;
    CFATBuildContext& operator=(const CFATBuildContext&) = delete;

    // The entries of buffer under parent. Returns the offset reached, the offset of a long name whose short
    // entry was not in the buffer (so the caller can carry it into the next read), or kNotADirectory when a
    // third "." entry shows the buffer is no directory. Folders found are entered in the map and appended to queue.
    // Lost mode: the first invalid or out-of-range entry ends the buffer, and a folder that wins over a
    // mapped one gives that one its properties instead of replacing the node.
    int ProcessDirectoryEntries(std::span<const uint8_t> buffer, CFileNode* parent, FATDirectoryQueue& queue,
                                bool lostMode, bool includeAll);
    // Reads the directory whose first cluster is given through the FAT, in runs of consecutive clusters.
    // Where the FAT knows nothing of the next cluster (a deleted folder, a zeroed table) and a directory-part
    // test is set, a directory that filled its last cluster goes on in the cluster right after it when that
    // one is free in the FAT, unread and holds directory entries (live ones only when the folder has some).
    // Ok when its chain ended; else where it stopped: Cancelled, IoFailure (a read failed, or there is no device
    // or cluster size to read with) or Corrupt (a cluster read before, a first cluster that does not begin like
    // a directory).
    bytes::ParseStatus WalkClusterChain(CFileNode* directory, uint32_t firstCluster, FATDirectoryQueue& queue,
                                        bool isRoot, bool includeAll);
    // Ok once the root was read; Corrupt when the build does not know where it is, IoFailure when it could not
    // be read (a FAT32 root: as WalkClusterChain).
    bytes::ParseStatus WalkRootDirectory(CFileNode* root, FATDirectoryQueue& queue, bool includeAll);
    // Lets directory walks go on into the next cluster on the disk where the FAT says nothing (see
    // WalkClusterChain). Unset, a walk follows the FAT only.
    void SetDirectoryPartTest(FATDirectoryPartTest test) { m_directoryPart = std::move(test); }
    // The folder that holds folders without a known parent: a folder hanging there moves under the folder
    // whose entries name it, with that entry's name, when a lost directory cluster is read.
    void SetLostFoldersNode(CFileNode* node) { m_lostFolders = node; }
    // One sector before the data start read as directory entries under the partition node, in lost mode.
    void ProcessRootAreaSector(uint64_t sector);

    // The runs of a file: a deleted one gets consecutive clusters from its first one (bad ones skipped) up to
    // its size, a live one follows its chain. Null when there is nothing to read or the runs would leave the
    // data area. The clusters of a live file are marked in the cluster-use bitmap.
    std::unique_ptr<CFATDataRunList> BuildRunList(uint32_t firstCluster, uint64_t size, bool deleted);
    // Which of two folders claiming one first cluster stays: below 0 the new one wins.
    static int CompareDuplicateDirectories(const CFATFileProperties& existing, const CFATFileProperties& candidate);

    // The volume node: FAT properties named for the volume and its number (index + 1), geometry and kind.
    CFileSystemNode* MakePartitionNode(int index);
    static FATNodePtr MakeLostFoldersNode();
    // A folder named "DIR%d" from a process-wide counter that only counts up.
    static FATNodePtr MakePlaceholderDirNode(uint32_t firstCluster, uint32_t parentCluster);

    // Frees the tree under partitionNode and every mapped folder outside it, with their properties.
    void FreeBuildTree(CFileNode* partitionNode);

    // What the walk met so far: directory entries read, corrupt ones skipped (each logged with its device
    // byte offset; empty slots are not counted) and directory reads the device refused.
    const bytes::ParseCounters& GetCounters() const { return m_counters; }
    // Corrupt entries logged one by one, at most; the rest are only counted.
    static constexpr uint64_t kMaxLoggedCorrupt = 64;

    // Once the user cancelled, the build stops and frees what it made.
    bool IsCancelled() const { return m_cancelled; }
    void Cancel() { m_cancelled = true; }
    IDIRBuildCallback* GetCallback() const { return m_callback; }
    const FATVolumeGeometry& GetGeometry() const { return m_geometry; }
    int32_t GetSectorSize() const { return m_sectorSize; }
    uint64_t GetClusterCount() const { return m_clusterCount; }
    CFileSystemNode* GetPartitionNode() const { return m_partitionNode; }
    std::map<uint32_t, CFileNode*>& GetDirectoryMap() { return m_directoryMap; }
    const std::unordered_set<uint32_t>& GetVisitedClusters() const { return m_visited; }
    // Bit i stands for cluster i + 2: in use by a live file found so far.
    const std::vector<bool>& GetClusterBitmap() const { return m_clusterBitmap; }

    uint64_t ClusterToSector(uint32_t cluster) const;
    uint32_t SectorToCluster(uint64_t sector) const;
    bool IsClusterStart(uint64_t sector) const;
    // 2 <= cluster < cluster count + 2.
    bool IsDataCluster(uint32_t cluster) const;

private:
    // The node of a folder found in parent's entries, entered in the map and the queue; null when a mapped
    // folder of the same first cluster stays (in lost mode it takes the new properties when they win).
    FATNodePtr AddDirectory(std::unique_ptr<CFATFileProperties> properties, CFileNode* parent, FATDirectoryQueue& queue,
                            bool lostMode);
    std::unique_ptr<CFATDataRunList> AddContiguousClusters(uint32_t firstCluster, uint64_t size);
    // Where the buffer handed to ProcessDirectoryEntries came from, for the offsets in log lines: its first
    // `carried` bytes end at carriedEnd, the rest start at byte (both device byte offsets).
    struct BufferOrigin {
        bool known = false;
        size_t carried = 0;
        uint64_t carriedEnd = 0;
        uint64_t byte = 0;
    };
    void SkipCorruptEntry(const CFATDirEntry& entry, size_t at, const char* why);
    // The cluster after a directory's last one read, when the directory goes on there (see WalkClusterChain);
    // else kNoInformation. lastRun: the bytes of the clusters just read.
    uint32_t NextDirectoryClusterOnDisk(uint32_t lastCluster, std::span<const uint8_t> lastRun);
    // Where a long name whose pieces began in bytes carried from the run before ends at the short entry at
    // `at`: the pieces must carry one checksum, the short entry's own when it is not deleted. Otherwise only
    // the pieces after the carried bytes (if any) are kept.
    std::optional<size_t> CheckCarriedLongName(std::span<const uint8_t> buffer, size_t nameStart, size_t at) const;
    void CountFailedRead(uint64_t sector, uint64_t count);

    IDIRBuildCallback* m_callback;
    IStorageDevice* m_device;
    FATVolumeGeometry m_geometry;
    const IFATTable* m_table;
    FATEntryChecks m_checks; // the options' entry tests, taken once when the build starts
    bool m_cancelled = false;
    std::map<uint32_t, CFileNode*> m_directoryMap;
    std::unordered_set<uint32_t> m_visited;
    std::vector<bool> m_clusterBitmap;
    CFileSystemNode* m_partitionNode = nullptr;
    int32_t m_sectorSize = 512;
    uint64_t m_clusterCount = 0;
    uint64_t m_clusterBytes = 0;
    bytes::ParseCounters m_counters;
    BufferOrigin m_origin;
    FATDirectoryPartTest m_directoryPart;
    CFileNode* m_lostFolders = nullptr;
};
