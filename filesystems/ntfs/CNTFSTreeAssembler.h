// Assembles found-file trees from the record entries of NTFS tree builds: children found by their parent's
// record number from the root folder (record 5) down, the system files' own folder ($Extend) left out,
// recycle-bin names restored, and the entries no walk reached gathered under "LostFiles%d" folders.
#pragma once

#include "filesystems/ntfs/CNTFSMftTable.h"

#include <cstdint>
#include <utility>
#include <vector>

class CFileNode;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IStorageDevice;

// The record number of the record at a sector through the candidate's runs: -1 when the sector lies outside
// them or falls inside a record rather than at its start. Sectors per record are the candidate's.
int64_t RecordNumberOfSector(uint64_t sector, const CNTFSMftCandidate& candidate, uint64_t partitionStart,
                             uint32_t sectorsPerCluster);

// One per build: the "LostFiles%d" numbers count from 1 for each assembler. Nodes made here carry their
// entry as user data until the build clears it (ClearEntryLinks); properties move from the entries to the
// nodes. Not safe to share between threads.
class CNTFSTreeAssembler {
public:
    // The device is read for the recycle-bin information files; not owned.
    explicit CNTFSTreeAssembler(IStorageDevice* device) : m_device(device) {}
    CNTFSTreeAssembler(const CNTFSTreeAssembler&) = delete;
    CNTFSTreeAssembler& operator=(const CNTFSTreeAssembler&) = delete;

    // Builds the tree of the table's entries under root and returns root; null when the callback cancelled
    // before anything was added. After a cancel later on, root holds what was built so far (the caller frees
    // it). Entries that no walk reached go to a lost-files folder under root.
    CFileNode* Assemble(CNTFSMftTable& table, CFileNode* root, const CSearchedPartitionInfo& partition,
                        IDIRBuildCallback* callback);

    // The entries left over as (parent, entry), in parent order: nodes for those with properties, folders
    // with a record number above 24 adopting the nodes that name them as parent (never an ancestor of
    // their own), and the rest under a new folder "LostFiles<n>" that is returned; null when no node is
    // left over or the callback cancelled at once.
    CFileNode* GatherOrphans(const std::vector<std::pair<int64_t, CNTFSRecordEntry*>>& leftOver,
                             IDIRBuildCallback* callback);

    bool WasCancelled() const { return m_cancelled; }

private:
    bool Cancelled(int answer);

    IStorageDevice* m_device;
    int m_lostFolders = 0;
    bool m_cancelled = false;
};

// Clears the user data of every node below root (the entries they pointed at live only for the build).
void ClearEntryLinks(CFileNode* root);
