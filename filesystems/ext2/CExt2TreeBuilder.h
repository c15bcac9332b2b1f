// Builds the found-file tree of an ext2 or ext3 file system: a folder node for the partition, a node for
// every inode that looks like a file or folder (deleted ones included) under the folder whose directory
// names it, and "Inode_<hex number>" nodes under the partition for inodes no directory names. The journal is
// not read. A builder serves one build at a time; its callback is called on the worker thread.
#pragma once

#include "core/bytes/ParseStatus.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <vector>

class CExt2FileProperties;
class CExt2FileSystem;
class CExt2Inode;
class CFileNode;
class CFileSystemNode;
class IDIRBuildCallback;
class IDataRunList;
class IStorageDevice;

class CExt2TreeBuilder {
public:
    // Called on the starting thread every 10 ms while the worker builds (the user interface pumps its
    // messages there).
    using MessagePump = std::function<void()>;

    // The partition's number in its folder name is partitionIndex + 1.
    explicit CExt2TreeBuilder(int partitionIndex = 0) : m_partitionIndex(partitionIndex) {}
    // Deletes nodes still pending from an unfinished build.
    ~CExt2TreeBuilder();
    CExt2TreeBuilder(const CExt2TreeBuilder&) = delete;
    CExt2TreeBuilder& operator=(const CExt2TreeBuilder&) = delete;

    // Opens the file system whose superblock lies at superBlockSector of the 512-byte-sector device and
    // builds its tree on a worker thread while the calling thread sleeps 10 ms at a time and runs the pump.
    // Null when the file system cannot be opened, the worker cannot start, or the build was cancelled. The
    // tree is the caller's (DeleteFoundTree).
    CFileSystemNode* Build(IStorageDevice* device, IDIRBuildCallback* callback, uint64_t superBlockSector,
                           bool withBitmap, const MessagePump& pump = {});
    // The same for a file system already open (a partition found by scanning), always with the bitmap of
    // used blocks; the file system stays the caller's.
    CFileSystemNode* BuildOnWorker(CExt2FileSystem* fs, IDIRBuildCallback* callback, const MessagePump& pump = {});

    // The build itself, on the calling thread. withBitmap records in GetUsedBlocks every block that a found
    // file's runs use. Null after a cancel (everything made is freed).
    CFileSystemNode* BuildTree(CExt2FileSystem* fs, IDIRBuildCallback* callback, bool withBitmap);

    // One flag per block of the file system, set for blocks that found files use; empty without the bitmap.
    const std::vector<bool>& GetUsedBlocks() const { return m_usedBlocks; }
    // How the last build went. Cancelled: the callback answered -1 (no tree). Corrupt or IoFailure without a
    // tree: the file system could not be opened (a bad superblock or descriptor table, or its read failed).
    // With a tree: IoFailure when device reads failed, Corrupt when the inode tables reach past the device, so
    // that files are missing; Ok when every inode was read. recordsRead counts the inodes read, corruptSkipped
    // the inodes and directory entries passed over as damaged, readFailures those passed over unread.
    const bytes::ParseResult& GetResult() const { return m_result; }

    // The runs of a file's data: its blocks in logical order as clusters (clusters are blocks, counted from
    // block 0), contiguous blocks merged. A sparse file also gets its holes as sparse runs; any other file
    // ends at its first missing block. Sets the used blocks in bitmap when it is not null.
    static IDataRunList* BuildRuns(const CExt2Inode& inode, std::vector<bool>* bitmap);
    // Properties of an inode: size, attributes (0x10 folder, 0x200 sparse), the times, the deleted state,
    // the runs of a file, the inode number; no name.
    static CExt2FileProperties* MakeProperties(const CExt2Inode& inode, std::vector<bool>* bitmap);

private:
    CFileSystemNode* MakeRoot();
    void ScanInodes();
    void PlaceInode(const CExt2Inode& inode);
    void ReadDirectory(const CExt2Inode& folder, CFileNode* folderNode);
    bool AttachOrphans(CFileNode* root);
    void Prune(CFileNode* root);
    bool Cancelled(int answer);
    // Counts an inode or directory entry passed over because of the error, and takes the error's verdict when
    // it is a failed read.
    void PassedOver(const std::exception& e);
    void FreePending();
    CFileSystemNode* RunOnWorker(const std::function<CFileSystemNode*()>& work, const MessagePump& pump);

    int m_partitionIndex;
    bytes::ParseResult m_result;
    CExt2FileSystem* m_fs = nullptr;
    IDIRBuildCallback* m_callback = nullptr;
    std::vector<bool> m_usedBlocks;
    // Nodes of inodes that the walk met before any directory named them; owned until placed.
    std::map<uint32_t, CFileNode*> m_pending;
    // Folder whose entry named an inode the walk has not met yet (the name waits in its properties).
    std::map<uint32_t, CFileNode*> m_named;
};

// The entry point of a volume's tree build: builder->Build(device, callback, superBlockSector, bitmap flag).
CFileSystemNode* Ext2BuildDirectoryThread(CExt2TreeBuilder* builder, IStorageDevice* device,
                                          IDIRBuildCallback* callback, uint64_t superBlockSector, int bitmapFlag,
                                          const CExt2TreeBuilder::MessagePump& pump = {});
// The scanner's tree build of an open file system (the partition's index is the builder's): on a worker,
// with the bitmap of used blocks.
CFileSystemNode* Ext2BuildDirectoryTreeThread(CExt2TreeBuilder* builder, CExt2FileSystem* fs,
                                              IDIRBuildCallback* callback,
                                              const CExt2TreeBuilder::MessagePump& pump = {});
