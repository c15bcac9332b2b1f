// Record entries and the $MFT table of a directory-tree build.
#include "filesystems/ntfs/CNTFSMftTable.h"

#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/tree/FileTree.h"

bool CNTFSRecordEntry::Fill(const CNTFSFileRecord& record, uint64_t sector)
{
    if (!record.IsValid()) return false;
    folder = (record.GetFlags() & ntfs::kRecordDirectory) != 0;
    recordNumber = record.HasRecordNumber() ? int64_t(record.GetRecordNumber()) : -1;
    const CNTFSAttributeHeader first = record.FindAttribute(ntfs::kAttrFileName, 0);
    const CNTFSAttributeHeader second = record.FindAttribute(ntfs::kAttrFileName, 1);
    const uint64_t p1 = second ? second.GetFNParentReference() : 0;
    const uint64_t p0 = first ? first.GetFNParentReference() : 0;
    parent = p1 >= ntfs::kRootFolderRecord ? int64_t(p1) : p0 >= ntfs::kRootFolderRecord ? int64_t(p0) : -1;
    recordSector = sector;
    return true;
}

CNTFSMftTable::CNTFSMftTable() : m_root(NewFileNode()) {}

CNTFSMftTable::~CNTFSMftTable()
{
    DeleteTreeNodesAndProperties(m_root);
}
