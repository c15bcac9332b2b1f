// What a directory-tree build keeps of a master file table: one entry per FILE record it read (where the
// record sits, its parent folder, the properties made of it) and the table that holds them with the $MFT
// candidate whose runs were read.
#pragma once

#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/NtfsScanFindings.h"

#include <cstdint>
#include <memory>
#include <vector>

class CFileNode;
class CNTFSFileRecord;

class CNTFSRecordEntry {
public:
    // Folder flag and record number from the header (-1 when the header carries none), parent from the
    // second $FILE_NAME when it names record 5 or above, else from the first, else -1 (records 0 to 4 are
    // never parents). False when the view holds no record.
    bool Fill(const CNTFSFileRecord& record, uint64_t recordSector);

    bool folder = false;
    uint64_t recordSector = 0;
    int64_t parent = -1;
    // Owned until a tree node takes them (release); none when the record yields no file.
    std::unique_ptr<CNTFSFileProperties> properties;
    int64_t recordNumber = -1;
};

// Lives for one build. Not safe to share between threads.
class CNTFSMftTable {
public:
    CNTFSMftTable();
    // Frees the entries (with the properties no node took) and the root node with everything still under it.
    ~CNTFSMftTable();
    CNTFSMftTable(const CNTFSMftTable&) = delete;
    CNTFSMftTable& operator=(const CNTFSMftTable&) = delete;

    CNTFSMftCandidate& GetCandidate() { return m_candidate; }
    const CNTFSMftCandidate& GetCandidate() const { return m_candidate; }
    std::vector<std::unique_ptr<CNTFSRecordEntry>>& GetEntries() { return m_entries; }
    // A plain node under which a scan-result build assembles this table's tree before moving it.
    CFileNode* GetRootNode() const { return m_root; }

private:
    CNTFSMftCandidate m_candidate;
    std::vector<std::unique_ptr<CNTFSRecordEntry>> m_entries;
    CFileNode* m_root;
};
