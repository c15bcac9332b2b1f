// Rows of the file properties dialog for FAT, NTFS and RAW nodes: one writer per kind, in a table.
#include "views/files/FilePropertyRows.h"

#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/IDataRunList.h"
#include "filesystems/tree/IFileProperties.h"

#include <memory>

namespace {

enum : unsigned {
    kSize = 331,
    kStartSector = 352,
    kSectorPerCluster = 354,
    kName = 355,
    kRecordSector = 357,
    kCompressed = 358,
    kEncrypted = 359,
    kDeleted = 360,
    kLost = 361,
    kCrossLink = 362,
    kTemp = 363,
    kResident = 364,
    kOffset = 365,
    kLayout = 368,
    kSector = 369,
    kCluster = 370,
    kParent = 371,
    kParentSector = 372,
    kDataAreaSector = 373,
};

void Text(std::vector<FilePropertyRow>& rows, unsigned id, std::string value)
{
    rows.push_back({id, std::move(value), -1});
}

void YesNo(std::vector<FilePropertyRow>& rows, unsigned id, bool yes)
{
    rows.push_back({id, {}, yes ? 1 : 0});
}

void StateRows(std::vector<FilePropertyRow>& rows, uint16_t state)
{
    YesNo(rows, kDeleted, state & kFileStateDeleted);
    YesNo(rows, kLost, state & kFileStateLost);
    YesNo(rows, kCrossLink, state & kFileStateCrossLinked);
    YesNo(rows, kTemp, state & kFileStateTemporary);
}

// Clusters count from 2 on FAT; a cluster below 2 (the root folder's parent, a made-up folder) has no
// sector in the data area, so it gets no row rather than a wrapped-around number.
bool FatClusterSector(const CFileNode* node, uint32_t cluster, uint64_t& sector)
{
    uint64_t first = 0;
    int32_t perCluster = 0;
    node->GetClusterGeometry(first, perCluster);
    if (cluster < 2 || cluster == kFATNoCluster || perCluster <= 0) return false;
    sector = first + uint64_t(cluster - 2) * uint64_t(perCluster);
    return true;
}

std::string Layout(IDataRunList& runs, int64_t startShift)
{
    std::string text;
    for (const DataRun* r = runs.First(); r; r = runs.Next()) {
        if (!text.empty()) text += " - ";
        const int64_t start = r->IsSparse() ? r->firstCluster : r->firstCluster + startShift;
        text += std::to_string(start) + ": " + std::to_string(r->length);
    }
    return text + ".";
}

void NtfsRows(std::vector<FilePropertyRow>& rows, const IFileProperties* p, bool folder)
{
    uint64_t recordSector = 0;
    if (p->GetPropertiesType() == kPropertiesNTFS)
        recordSector = static_cast<const CNTFSFileProperties*>(p)->GetRecordSector();
    Text(rows, kRecordSector, std::to_string(recordSector));
    YesNo(rows, kCompressed, p->GetAttributes() & kFileAttrCompressed);
    YesNo(rows, kEncrypted, p->GetAttributes() & kFileAttrEncrypted);
    StateRows(rows, p->GetState());
    if (folder) return;
    std::unique_ptr<IDataRunList> runs(p->GetDataRunList());
    if (!runs) return;
    if (runs->IsResident()) {
        YesNo(rows, kResident, true);
        Text(rows, kSize, std::to_string(p->GetSize()));
        Text(rows, kOffset, std::to_string(runs->GetResidentOffset()));
    } else {
        YesNo(rows, kResident, false);
        Text(rows, kLayout, Layout(*runs, 0));
    }
}

void FatRows(std::vector<FilePropertyRow>& rows, const CFileNode* node, const IFileProperties* p, bool folder)
{
    uint32_t firstCluster = 0, parentCluster = 0;
    if (p->GetPropertiesType() == kPropertiesFAT) {
        const auto* fat = static_cast<const CFATFileProperties*>(p);
        firstCluster = fat->GetFirstCluster();
        parentCluster = fat->GetParentCluster();
    }
    uint64_t sector = 0;
    if (folder) {
        if (FatClusterSector(node, firstCluster, sector)) Text(rows, kSector, std::to_string(sector));
        Text(rows, kCluster, std::to_string(int32_t(firstCluster)));
        Text(rows, kParent, std::to_string(int32_t(parentCluster)));
        StateRows(rows, p->GetState());
        return;
    }
    Text(rows, kParent, std::to_string(int32_t(parentCluster)));
    if (FatClusterSector(node, parentCluster, sector)) Text(rows, kParentSector, std::to_string(sector));
    StateRows(rows, p->GetState());
    if (std::unique_ptr<IDataRunList> runs(p->GetDataRunList()); runs) Text(rows, kLayout, Layout(*runs, 2));
}

void FatKindRows(std::vector<FilePropertyRow>& rows, const CFileNode* node, const IFileProperties* p, bool folder)
{
    Text(rows, kName, p->GetName());
    FatRows(rows, node, p, folder);
}

void NtfsKindRows(std::vector<FilePropertyRow>& rows, const CFileNode*, const IFileProperties* p, bool folder)
{
    Text(rows, kName, p->GetName());
    NtfsRows(rows, p, folder);
}

// A file found by its signature: where its data area starts and its runs; its folders have no rows.
void RawKindRows(std::vector<FilePropertyRow>& rows, const CFileNode* node, const IFileProperties* p, bool folder)
{
    if (folder) return;
    Text(rows, kName, p->GetName());
    uint64_t first = 0;
    int32_t perCluster = 0;
    node->GetClusterGeometry(first, perCluster);
    Text(rows, kDataAreaSector, std::to_string(first));
    if (std::unique_ptr<IDataRunList> runs(p->GetDataRunList()); runs) Text(rows, kLayout, Layout(*runs, 0));
}

using KindRowsWriter = void (*)(std::vector<FilePropertyRow>&, const CFileNode*, const IFileProperties*, bool folder);

struct KindRows {
    int kind;
    KindRowsWriter write; // null: no rows of its own, only the volume geometry of file-system nodes
};

// Every file-system kind of the registry (filesystems/partitions/FileSystemRegistry.cpp) and RAW.
constexpr KindRows kKindRows[] = {
    {kFsKindFat12, &FatKindRows}, {kFsKindFat16, &FatKindRows}, {kFsKindFat32, &FatKindRows},
    {kFsKindNtfs, &NtfsKindRows}, {kFsKindExt2, nullptr},       {kFsKindExt3, nullptr},
    {kFsKindRaw, &RawKindRows},
};

const KindRows* FindKindRows(int kind)
{
    for (const KindRows& row : kKindRows)
        if (row.kind == kind) return &row;
    return nullptr;
}

} // namespace

bool HasFilePropertyRowsOfKind(int kind)
{
    return FindKindRows(kind) != nullptr;
}

std::vector<FilePropertyRow> BuildFilePropertyRows(const CFileNode* node)
{
    std::vector<FilePropertyRow> rows;
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    if (!p) return rows;
    const bool folder = p->GetAttributes() & kFileAttrDirectory;
    if (const KindRows* kind = FindKindRows(node->GetFileSystemKind()); kind && kind->write)
        kind->write(rows, node, p, folder);
    if (node->IsFileSystemNode()) {
        uint64_t first = 0;
        int32_t perCluster = 0;
        node->GetClusterGeometry(first, perCluster);
        rows.insert(rows.begin(), {kStartSector, std::to_string(first), -1});
        rows.insert(rows.begin(), {kSectorPerCluster, std::to_string(perCluster), -1});
    }
    return rows;
}
