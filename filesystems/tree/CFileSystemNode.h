// A volume or folder node of the found-file tree: cluster geometry, file-system kind, a short name and
// running statistics of every file below it; check-state propagation is driven from here.
#pragma once

#include "filesystems/tree/CFileNode.h"

#include <cstdint>
#include <string>

// Figures of all files of a subtree (folders are never counted); stored as 40 bytes in this order.
struct FileTreeStatistics {
    uint32_t files = 0;
    uint32_t checkedFiles = 0; // check state 2
    uint64_t bytes = 0;
    uint64_t checkedBytes = 0;
    uint32_t compressedFiles = 0; // attribute 0x800
    uint32_t checkedCompressedFiles = 0;
    uint32_t encryptedFiles = 0; // attribute 0x40
    uint32_t checkedEncryptedFiles = 0;

    bool operator==(const FileTreeStatistics&) const = default;
};

// Folder kinds of FileSystemNodeExtraInfo.
enum : int32_t {
    kFolderKindOrdinary = 0,
    // A tree whose nodes below its first level share the properties of another tree ("Deleted Files"):
    // its teardown frees only the properties of the root and of its direct children that are file-system nodes.
    kFolderKindSharedProperties = 2,
};

// A fixed 264-byte block copied in and out whole; only the folder kind is in use.
struct FileSystemNodeExtraInfo {
    uint32_t reserved = 0;
    int32_t folderKind = kFolderKindOrdinary;
    uint8_t unused[256] = {};
};

class CFileSystemNode : public CFileNode {
public:
    static constexpr int kMaxNameLength = 40;

    CFileSystemNode() = default;

    bool IsFileSystemNode() const override { return true; }
    bool GetClusterGeometry(uint64_t& firstSectorOfCluster0, int32_t& sectorsPerCluster) const override;
    int GetFileSystemKind() const override { return m_fileSystemKind; }
    // Statistics (checked counters as 0), geometry, kind, name length and name bytes; returns 1.
    int Write(IRSData* stream) const override;
    // Reads what Write wrote; a name length outside 0..40 throws CRSException code 2.
    int Read(IRSData* stream) override;

    void SetClusterGeometry(uint64_t firstSectorOfCluster0, int32_t sectorsPerCluster);
    void SetFileSystemKind(int kind) { m_fileSystemKind = kind; }
    bool GetExtraInfo(FileSystemNodeExtraInfo& out) const;
    bool SetExtraInfo(const FileSystemNodeExtraInfo& info);

    // Null leaves no name; otherwise keeps at most the first 40 bytes, cut on a character boundary.
    void SetName(const char* name);
    // The name, or null when none is set.
    const char* GetName() const { return m_hasName ? m_name.c_str() : nullptr; }
    int GetNameLength() const { return int(m_name.size()); }

    // Toggles target (any node of this node's tree): state 0 when it is 2, else 2. nodeOnly: only the
    // target's properties change. Otherwise its whole subtree takes the new state, the checked figures of
    // the file-system nodes on the path to the root and inside the subtree follow, and every ancestor's state
    // is derived from its direct children. Iterative: any depth or width. Returns true.
    bool ToggleCheckState(CFileNode* target, bool nodeOnly);
    // SetUserFlag on the node's properties; the previous flag, 0 without node or properties.
    int SetChildUserFlag(CFileNode* node, int value);

    bool GetStatistics(FileTreeStatistics& out) const;
    // Replaces the statistics by a count of the whole subtree; check states unchanged. Returns true.
    bool RecomputeStatistics();
    // Derives the state of this folder and every folder below it from their direct children (deepest
    // first), then recomputes the statistics. Returns true.
    bool RefreshCheckStates();

    // Adds one node's figures: nothing for a folder (attribute 0x10) or a node without properties.
    static void AccumulateStatistics(FileTreeStatistics& record, const CFileNode* node);
    // Moves the checked counters by a subtree's figures as they were before a toggle: checking adds the
    // unchecked part, unchecking removes the checked part. Totals never change.
    void AdjustCheckedStatistics(const FileTreeStatistics& subtree, bool checking);
    // For a folder node: the states of the folders below it, then its own, from their direct children.
    static void UpdateCheckState(CFileNode* node);

private:
    FileTreeStatistics m_statistics;
    FileSystemNodeExtraInfo m_extraInfo;
    uint64_t m_firstSectorOfCluster0 = 0;
    int32_t m_sectorsPerCluster = 0;
    int32_t m_fileSystemKind = kFsKindNone;
    std::string m_name;
    bool m_hasName = false;
};

// State of a folder from its direct children: 0 when none is 1 or 2, 2 when all are 2, else 1.
uint8_t DeriveFolderCheckState(const CFileNode* folder);

CFileSystemNode* NewFileSystemNode();
void DestroyFileSystemNode(CFileSystemNode* node);
// A new root: plain properties named "Root" with attribute 0x10, no node name, geometry 0, kind 7.
// The caller frees the tree with DeleteFoundTree (which frees these properties too).
CFileSystemNode* CreateRootNode();
