// The quick directory-tree build of a FAT volume whose boot sector is intact: the FAT is loaded, the folders
// are walked from the root breadth first on a worker thread, and the volume's node comes back with its
// deleted files and folders. Also the boot-sector test it starts with and the pruning it ends with.
#pragma once

#include "core/bytes/ParseStatus.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

class CFATBuildContext;
class CFATSearchedPartitionInfo;
class CFileNode;
class CFileSystemNode;
class IDIRBuildCallback;
class IStorageDevice;

// Progress titles of the builds.
inline constexpr const char* kFATTextReadingParameters = "Reading partition parameters...";
inline constexpr const char* kFATTextBuildingDirectories = "Building Directories...";

// Carries one build to its worker and back. One build at a time per object.
class CFATTreeBuilder {
public:
    // Called on the starting thread every 10 ms while the worker runs (the user interface pumps its
    // messages there); may be empty.
    using MessagePump = std::function<void()>;

    CFATTreeBuilder() = default;
    CFATTreeBuilder(const CFATTreeBuilder&) = delete;
    CFATTreeBuilder& operator=(const CFATTreeBuilder&) = delete;

    // Runs FATQuickBuild on a worker and waits for it. includeAll lists every file of the volume; without it
    // only folders, deleted entries and everything below deleted folders are listed. The partition and the
    // device stay the caller's; the tree is the caller's (free it with DeleteFoundTree). Null when no boot
    // sector is usable, on cancel, or when no worker could be started.
    CFileSystemNode* RunQuickBuild(IDIRBuildCallback* callback, CFATSearchedPartitionInfo* partition,
                                   IStorageDevice* device, bool includeAll, const MessagePump& pump = {});

    bool IsDone() const { return m_done.load(std::memory_order_acquire); }
    // How the last RunQuickBuild went (FATQuickBuild's result; IoFailure when no worker could be started).
    const bytes::ParseResult& GetResult() const { return m_outcome; }

private:
    IDIRBuildCallback* m_callback = nullptr;
    CFATSearchedPartitionInfo* m_partition = nullptr;
    IStorageDevice* m_device = nullptr;
    bool m_includeAll = false;
    CFileSystemNode* m_result = nullptr;
    bytes::ParseResult m_outcome;
    std::atomic<bool> m_done{false};
};

// The build itself, on the calling thread. result, when given, receives how it went. Cancelled: the callback
// answered -1 (no tree). Without a tree otherwise: IoFailure when no partition or device was given or the boot
// sectors could not be read, else Corrupt (no usable boot sector). With a tree, QuickBuildTree's verdict.
CFileSystemNode* FATQuickBuild(IDIRBuildCallback* callback, CFATSearchedPartitionInfo* partition,
                               IStorageDevice* device, bool includeAll, bytes::ParseResult* result = nullptr);

// Walks the volume of context from its root, breadth first: the partition node (number index + 1) with its
// tree, or null after a cancel (the tree built so far is freed). result, when given, receives the walk's
// counts and verdict: Cancelled after a cancel; else the root directory's verdict when it could not be walked
// (Corrupt or IoFailure: the tree holds nothing), IoFailure when reads of folders failed, else Ok. Directory
// entries skipped as damaged are counted (corruptSkipped), not judged: the walk went on past them.
CFileSystemNode* QuickBuildTree(CFATBuildContext& context, IDIRBuildCallback* callback, bool includeAll, int index = 0,
                                bytes::ParseResult* result = nullptr);

// The boot sector classifies for the device's sector size, its size holds its FATs, and the first sector of
// one of its FAT copies carries the table signature of its width.
bool HasValidFATCopy(std::span<const uint8_t> bootSector, uint64_t partitionStart, IStorageDevice* device);

// One breadth-first pass: deleted folders without children are removed with their properties (a folder that
// this pass empties stays).
void RemoveEmptyDeletedFolders(CFileNode* tree);
