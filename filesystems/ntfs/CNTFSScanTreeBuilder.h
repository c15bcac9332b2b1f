// The tree of an NTFS partition found by scanning, built from what the scan saw instead of from the
// volume's own $MFT: the device is reread in windows around the runs of found FILE records, each valid record
// becomes an entry, entries are grouped by the $MFT candidate whose runs hold them, one tree is assembled per
// candidate and the rest are gathered as lost files; signature hits in clusters no found file uses become
// the "Raw Files" folder. Also the marking of the clusters a found tree uses.
#pragma once

#include "core/bytes/ParseStatus.h"
#include "filesystems/ntfs/NtfsScanFindings.h"

#include <cstdint>
#include <functional>
#include <vector>

class CFileNode;
class CFileSystemNode;
class CRawFileList;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IStorageDevice;

// What one build met, for the log and the tests.
struct NTFSScanTreeCounters {
    uint64_t windows = 0;      // windows read
    uint64_t records = 0;      // valid base records met
    uint64_t tableEntries = 0; // entries that belong to a $MFT candidate
    uint64_t freeEntries = 0;  // entries that belong to none
    uint64_t unreadSectors = 0;
};

// One build per object. Runs on the calling thread.
class CNTFSScanTreeBuilder {
public:
    // Sectors every window starts with; records that begin in its last sectors are read whole beyond it.
    static constexpr uint32_t kWindowSectors = 128;
    // Clusters of the used-cluster bitmap at most (one bit each).
    static constexpr uint64_t kMaxBitmapClusters = 1ull << 34;

    // The partition's root node, or null when the partition is not an NTFS candidate, nothing yields a node,
    // or the callback cancelled before anything was built (after a later cancel, what was built so far).
    // hits and callback may be null. The caller frees the tree with DeleteFoundTree.
    CFileSystemNode* Build(const CNTFSScanFindings& findings, CSearchedPartitionInfo* partition, CRawFileList* hits,
                           IStorageDevice* device, int index, IDIRBuildCallback* callback);

    const NTFSScanTreeCounters& GetCounters() const { return m_counters; }
    // How the last Build went. Cancelled: the callback answered -1 while records were read or the tree was
    // assembled, or before the raw files were gathered; the tree, when there is one, is what was built until
    // then. Otherwise, without a tree: IoFailure without a device, else Corrupt (no NTFS candidate, or nothing
    // yielded a node); with a tree: IoFailure when sectors around found records could not be read, else Ok.
    // recordsRead counts the valid base records met.
    const bytes::ParseResult& GetResult() const { return m_result; }

private:
    NTFSScanTreeCounters m_counters;
    bytes::ParseResult m_result;
};

// The clusters a found tree uses, one flag per cluster of the partition.
struct NtfsClusterMarker {
    std::vector<bool>* bits = nullptr;
    uint64_t firstSector = 0; // first sector of cluster 0
    uint32_t sectorsPerCluster = 0;
    uint32_t sectorSize = 512;
};

// Marks the clusters of every found file's runs (up to its size) and the cluster(s) of its FILE record.
void MarkTreeClusters(CFileNode* root, const NtfsClusterMarker& marker);
