// The directory-tree build of an NTFS volume from its master file table: the boot sector finds the $MFT,
// every FILE record of the $MFT is read in order (in use or not) and turned into properties, and the tree is
// assembled by parent record numbers from the root folder. Deleted files stay under their old folders;
// records whose parents cannot be reached go to "LostFiles%d" folders. Runs on a worker thread.
#pragma once

#include "core/bytes/ParseStatus.h"
#include "filesystems/ntfs/CNTFSMftTable.h"
#include "filesystems/common/CSearchedPartitionInfo.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

class CFileSystemNode;
class CNTFSDBR;
class IDIRBuildCallback;
class IStorageDevice;

// Progress titles of the build.
inline constexpr const char* kNTFSTextReadingFiles = "NTFS:Reading files";
inline constexpr const char* kNTFSTextBuildingDirectories = "NTFS:Building Directories...";

// What one build met, for the log, the tests and the benchmark.
struct NTFSMftScanCounters {
    uint64_t recordSlots = 0;   // record positions of the $MFT looked at
    uint64_t entries = 0;       // records kept as entries (valid base records other than system files)
    uint64_t failedReads = 0;   // $MFT reads that failed: their sectors were taken as zeros
    uint64_t unreadSectors = 0; // sectors of those reads
};

// One build per object at a time. The device and the callback are the caller's and must outlive Build.
class CNTFSMftScanBuilder {
public:
    // Called on the starting thread every 10 ms while the worker runs (the user interface pumps its
    // messages there); may be empty.
    using MessagePump = std::function<void()>;
    // Sectors the $MFT is read in at a time.
    static constexpr uint32_t kWindowSectors = 128;

    CNTFSMftScanBuilder() = default;
    CNTFSMftScanBuilder(const CNTFSMftScanBuilder&) = delete;
    CNTFSMftScanBuilder& operator=(const CNTFSMftScanBuilder&) = delete;

    // The tree of the volume whose boot sector lies at startSector: a volume node (NTFS, geometry of the
    // volume, its label as name) with the folders and files below it. Null when there is no usable NTFS boot
    // sector or $MFT record, when no record yields a node, when no worker could be started, or when the
    // callback answered -1 (everything built so far is freed). The caller frees the tree with DeleteFoundTree.
    // A null callback is taken as one that never cancels.
    CFileSystemNode* Build(uint64_t startSector, IStorageDevice* device, IDIRBuildCallback* callback,
                           const MessagePump& pump = {});

    const NTFSMftScanCounters& GetCounters() const { return m_counters; }
    // How the last Build went. Cancelled: the callback answered -1 (no tree). Without a tree otherwise: IoFailure
    // when the boot sector or the $MFT's own record could not be read or no worker started, else Corrupt (no
    // usable boot sector or $MFT record). With a tree: IoFailure when $MFT reads failed (their records are missing), else Ok.
    // recordsRead counts the entries kept, readFailures the failed $MFT reads.
    const bytes::ParseResult& GetResult() const { return m_outcome; }
    bool IsDone() const { return m_done.load(std::memory_order_acquire); }

private:
    void Worker();
    CFileSystemNode* Scan();
    bool ReadBootSector(CNTFSDBR& bootSector);
    bool SetGeometry(const CNTFSDBR& bootSector);
    bool LocateMft(const CNTFSDBR& bootSector, CNTFSMftCandidate& candidate);
    // False when the record there is no $MFT record; *unreadable is set when the read failed.
    bool ReadMftRecordAt(uint64_t sector, std::vector<uint8_t>& buffer, bool* unreadable = nullptr);
    void ReadMftRunsFromAttributeList(std::span<const uint8_t> record, CNTFSMftCandidate& candidate);
    // False when the callback cancelled.
    bool ReadMftRecords(CNTFSMftTable& table);
    void ProcessMftWindow(CNTFSMftTable& table, std::span<uint8_t> window, const std::vector<uint64_t>& slots,
                          uint32_t sectors, uint64_t base);

    CSearchedPartitionInfo m_partition;
    IStorageDevice* m_device = nullptr;
    IDIRBuildCallback* m_callback = nullptr;
    uint32_t m_sectorSize = 0;
    uint32_t m_bytesPerRecord = 0;
    uint32_t m_sectorsPerRecord = 0;
    NTFSMftScanCounters m_counters;
    bytes::ParseResult m_outcome;
    CFileSystemNode* m_result = nullptr;
    std::atomic<bool> m_done{false};
    std::mutex m_doneLock;
    std::condition_variable m_doneSignal;
};
