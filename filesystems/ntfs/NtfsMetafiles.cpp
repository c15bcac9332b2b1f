// System-file table and metafile tests.
#include "filesystems/ntfs/NtfsMetafiles.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"

namespace {

struct SystemFile {
    int number;
    std::u16string_view name;
};

constexpr SystemFile kSystemFiles[] = {
    {0, u"$MFT"},     {1, u"$MFTMirr"}, {2, u"$LogFile"}, {3, u"$Volume"},  {4, u"$AttrDef"},
    {5, u"."},        {6, u"$Bitmap"},  {7, u"$Boot"},    {8, u"$BadClus"}, {9, u"$Secure"},
    {10, u"$UpCase"}, {11, u"$Extend"}, {32, u"$Quota"},  {33, u"$ObjId"},  {34, u"$Reparse"},
};
// GetSystemFileNumber passes over every name that does not begin so.
static_assert([] {
    for (const SystemFile& f : kSystemFiles)
        if (f.name.empty() || (f.name[0] != u'$' && f.name[0] != u'.')) return false;
    return true;
}());

bool HasHiddenSystem(const CNTFSFileRecord& record)
{
    const CNTFSAttributeHeader si = record.FindAttribute(ntfs::kAttrStandardInformation);
    if (!si) return false;
    const uint32_t need = ntfs::kFileAttrHidden | ntfs::kFileAttrSystem;
    return (si.GetSIFileAttributes() & need) == need;
}

} // namespace

int GetSystemFileNumber(const CNTFSFileRecord& record)
{
    if (!record.IsValid() || record.IsExtension()) return -1;
    const CNTFSAttributeHeader fn = record.FindAttribute(ntfs::kAttrFileName);
    if (!fn) return -1;
    // Every system name begins with '$' or is "."; other names (nearly every record) need no comparison.
    const auto name = fn.GetFNNameBytes();
    if (name.size() < 2) return -1;
    const char16_t first = char16_t(bytes::ByteReader(name).u16le(0));
    if (first != u'$' && first != u'.') return -1;
    for (const SystemFile& f : kSystemFiles)
        if (CompareFileName(fn, f.name)) return f.number;
    return -1;
}

bool IsSystemMetafile(const CNTFSFileRecord& record)
{
    return GetSystemFileNumber(record) >= 0 && HasHiddenSystem(record);
}

bool IsMetafileNamed(const CNTFSFileRecord& record, std::u16string_view name)
{
    if (!record.IsValid() || !HasHiddenSystem(record)) return false;
    return CompareFileName(record.FindAttribute(ntfs::kAttrFileName), name);
}

bool IsMetafileNamed(std::span<const uint8_t> buffer, std::u16string_view name)
{
    const CNTFSFileRecord view(buffer);
    return IsMetafileNamed(view, name);
}

bool IsMftRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$MFT");
}
bool IsMftMirrRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$MFTMirr");
}
bool IsLogFileRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$LogFile");
}
bool IsVolumeRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$Volume");
}
bool IsBitmapRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$Bitmap");
}
bool IsAttrDefRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$AttrDef");
}
bool IsUpCaseRecord(const CNTFSFileRecord& r)
{
    return IsMetafileNamed(r, u"$UpCase");
}
bool IsMftRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$MFT");
}
bool IsMftMirrRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$MFTMirr");
}
bool IsLogFileRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$LogFile");
}
bool IsVolumeRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$Volume");
}
bool IsBitmapRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$Bitmap");
}
bool IsAttrDefRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$AttrDef");
}
bool IsUpCaseRecord(std::span<const uint8_t> b)
{
    return IsMetafileNamed(b, u"$UpCase");
}

bool IsFolderWithIndexAllocation(std::span<const uint8_t> buffer)
{
    bytes::ByteReader r(buffer);
    if ((r.u16le(0x16) & ntfs::kRecordDirectory) == 0 || !r) return false;
    const CNTFSAttributeHeader ia = FindAttribute(buffer, ntfs::kAttrIndexAllocation);
    return ia && ia.IsNonResident();
}
