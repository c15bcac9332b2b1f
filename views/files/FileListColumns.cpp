// Cell texts and sorting of the found-file list.
#include "views/files/FileListColumns.h"

#include "core/DisplayText.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace {

constexpr unsigned kTitles[kFileListColumnCount] = {323, 324, 325, 326, 327, 328};
constexpr int kWidths[kFileListColumnCount] = {180, 100, 90, 140, 140, 140};
constexpr int kValidBits[kFileListColumnCount] = {
    kValidName, kValidSize, kValidName, kValidModificationTime, kValidCreationTime, kValidAccessTime};

FILETIME TimeOf(const IFileProperties* p, int column)
{
    switch (column) {
    case kColumnModified: return p->GetModificationTime();
    case kColumnCreated: return p->GetCreationTime();
    default: return p->GetAccessTime();
    }
}

// Negative, zero or positive as a sorts before, with or after b by the column's value (both present).
int CompareValues(const IFileProperties* a, const IFileProperties* b, int column)
{
    switch (column) {
    case kColumnName: return strcasecmp(a->GetName(), b->GetName());
    case kColumnSize: return a->GetSize() < b->GetSize() ? -1 : a->GetSize() > b->GetSize() ? 1 : 0;
    case kColumnType: return strcasecmp(NameExtension(a->GetName()).c_str(), NameExtension(b->GetName()).c_str());
    default: {
        const FILETIME ta = TimeOf(a, column), tb = TimeOf(b, column);
        return ta < tb ? -1 : ta > tb ? 1 : 0;
    }
    }
}

} // namespace

unsigned FileListColumnTitle(int column)
{
    return column >= 0 && column < kFileListColumnCount ? kTitles[column] : 0;
}

int FileListColumnWidth(int column)
{
    return column >= 0 && column < kFileListColumnCount ? kWidths[column] : 0;
}

std::string NameExtension(const char* name)
{
    if (!name) return {};
    const char* base = name;
    for (const char* s = name; *s; ++s)
        if (*s == '/' || *s == '\\') base = s + 1;
    const char* dot = std::strrchr(base, '.');
    return dot ? std::string(dot) : std::string();
}

bool HasColumnValue(const CFileNode* node, int column)
{
    if (!node || column < 0 || column >= kFileListColumnCount) return false;
    const IFileProperties* p = node->GetProperties();
    return p && (p->GetValidMask() & kValidBits[column]);
}

std::string FileListCellText(const CFileNode* node, int column)
{
    if (!HasColumnValue(node, column)) return {};
    const IFileProperties* p = node->GetProperties();
    switch (column) {
    case kColumnName: return p->GetName();
    case kColumnSize: return FormatByteSize(p->GetSize());
    case kColumnType: {
        const std::string ext = NameExtension(p->GetName());
        return ext.empty() ? ext : ext.substr(1);
    }
    case kColumnCreated: {
        // A creation time at the epoch means the kind had none; its description says more.
        const std::string text = FormatFileTime(p->GetCreationTime());
        return text == FormatFileTime(0) ? p->GetDescription() : text;
    }
    case kColumnAccessed:
        // FAT keeps only the day of the last access; a time of day there would be a made-up midnight.
        if (p->GetPropertiesType() == kPropertiesFAT) return FormatFileDate(p->GetAccessTime());
        return FormatFileTime(p->GetAccessTime());
    default: return FormatFileTime(TimeOf(p, column));
    }
}

void SortFileNodes(std::vector<CFileNode*>& nodes, int column, bool descending)
{
    if (column < 0 || column >= kFileListColumnCount) return;
    // (has value, value): a strict weak ordering, so a stable sort gives one defined result.
    std::stable_sort(nodes.begin(), nodes.end(), [column, descending](const CFileNode* a, const CFileNode* b) {
        const bool ha = HasColumnValue(a, column), hb = HasColumnValue(b, column);
        if (!ha || !hb) return ha && !hb;
        const int c = CompareValues(a->GetProperties(), b->GetProperties(), column);
        return descending ? c > 0 : c < 0;
    });
}
