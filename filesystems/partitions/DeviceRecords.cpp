// Stored forms of the device records, field by field.
#include "filesystems/partitions/DeviceRecords.h"

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"

using bytes::ByteReader;
using bytes::ByteWriter;

namespace {

template <size_t N>
void ReadText(ByteReader& r, size_t at, char (&field)[N])
{
    r.copy(at, field, N);
    field[N - 1] = '\0';
}

uint32_t Slot(const void* pointer)
{
    return pointer ? 1u : 0u;
}

constexpr size_t kMembersAt = 125;
constexpr size_t kMemberSize = 20;

} // namespace

int VolumeDeviceRecord::GetMemberCount() const
{
    int n = 0;
    while (n < kMaxMembers && members[n].pDisk) ++n;
    return n;
}

int StoredPointerSlots::MemberCount() const
{
    int n = 0;
    while (n < VolumeDeviceRecord::kMaxMembers && memberDisks[size_t(n)]) ++n;
    return n;
}

std::array<uint8_t, VolumeDeviceRecord::kStoredSize> EncodeVolumeDeviceRecord(const VolumeDeviceRecord& rec)
{
    std::array<uint8_t, VolumeDeviceRecord::kStoredSize> bytes{};
    ByteWriter w(bytes);
    w.u32le(0, rec.nKind);
    w.u32le(4, Slot(rec.pDevice));
    if (rec.nKind == VolumeDeviceRecord::kKindImage) {
        w.u32le(8, rec.nImageNumber);
        w.copy(12, rec.szImageName, sizeof rec.szImageName);
        w.u64le(272, rec.u64ImageSectorCount);
        w.copy(280, rec.szImagePath, sizeof rec.szImagePath);
        w.u32le(540, uint32_t(rec.nImageFileSystemKind));
        return bytes;
    }
    w.u32le(8, rec.nDynamic);
    w.u32le(12, uint32_t(rec.nFileSystemKind));
    w.u8(16, uint8_t(rec.cDriveLetter));
    w.copy(17, rec.szLabel, sizeof rec.szLabel);
    w.u32le(117, rec.bFloppy);
    w.u32le(121, rec.bUsb);
    for (size_t i = 0; i < VolumeDeviceRecord::kMaxMembers; ++i) {
        const size_t at = kMembersAt + i * kMemberSize;
        w.u64le(at, rec.members[i].u64FirstSector);
        w.u64le(at + 8, rec.members[i].u64SectorCount);
        w.u32le(at + 16, Slot(rec.members[i].pDisk));
    }
    w.copy(765, rec.szMemberText, sizeof rec.szMemberText);
    return bytes;
}

bool DecodeVolumeDeviceRecord(std::span<const uint8_t> bytes, VolumeDeviceRecord& rec, StoredPointerSlots* slots)
{
    if (bytes.size() < VolumeDeviceRecord::kStoredSize) return false;
    ByteReader r(bytes.first(VolumeDeviceRecord::kStoredSize));
    rec = VolumeDeviceRecord{};
    StoredPointerSlots found;
    rec.nKind = r.u32le(0);
    found.device = r.u32le(4) != 0;
    if (rec.nKind == VolumeDeviceRecord::kKindImage) {
        rec.nImageNumber = r.u32le(8);
        ReadText(r, 12, rec.szImageName);
        rec.u64ImageSectorCount = r.u64le(272);
        ReadText(r, 280, rec.szImagePath);
        rec.nImageFileSystemKind = int32_t(r.u32le(540));
    } else {
        rec.nDynamic = r.u32le(8);
        rec.nFileSystemKind = int32_t(r.u32le(12));
        rec.cDriveLetter = char(r.u8(16));
        ReadText(r, 17, rec.szLabel);
        rec.bFloppy = r.u32le(117);
        rec.bUsb = r.u32le(121);
        for (size_t i = 0; i < VolumeDeviceRecord::kMaxMembers; ++i) {
            const size_t at = kMembersAt + i * kMemberSize;
            rec.members[i].u64FirstSector = r.u64le(at);
            rec.members[i].u64SectorCount = r.u64le(at + 8);
            found.memberDisks[i] = r.u32le(at + 16) != 0;
        }
        ReadText(r, 765, rec.szMemberText);
    }
    if (slots) *slots = found;
    return bool(r);
}

std::array<uint8_t, DiskDeviceRecord::kStoredSize> EncodeDiskDeviceRecord(const DiskDeviceRecord& rec)
{
    std::array<uint8_t, DiskDeviceRecord::kStoredSize> bytes{};
    ByteWriter w(bytes);
    w.u32le(0, rec.nKind);
    w.u32le(4, Slot(rec.pDevice));
    w.u32le(8, rec.nHeads);
    if (rec.nKind == DiskDeviceRecord::kKindImage) {
        w.u32le(12, rec.nImageNumber);
        w.copy(16, rec.szImageName, sizeof rec.szImageName);
        w.u64le(276, rec.u64ImageSectorCount);
        w.copy(284, rec.szImagePath, sizeof rec.szImagePath);
        return bytes;
    }
    w.u32le(12, rec.bUsb);
    w.u32le(16, Slot(rec.pDiskDevice));
    w.copy(20, rec.szDescription, sizeof rec.szDescription);
    w.u32le(70, rec.bDynamic);
    return bytes;
}

bool DecodeDiskDeviceRecord(std::span<const uint8_t> bytes, DiskDeviceRecord& rec, StoredPointerSlots* slots)
{
    if (bytes.size() < DiskDeviceRecord::kStoredSize) return false;
    ByteReader r(bytes.first(DiskDeviceRecord::kStoredSize));
    rec = DiskDeviceRecord{};
    StoredPointerSlots found;
    rec.nKind = r.u32le(0);
    found.device = r.u32le(4) != 0;
    rec.nHeads = r.u32le(8);
    if (rec.nKind == DiskDeviceRecord::kKindImage) {
        rec.nImageNumber = r.u32le(12);
        ReadText(r, 16, rec.szImageName);
        rec.u64ImageSectorCount = r.u64le(276);
        ReadText(r, 284, rec.szImagePath);
    } else {
        rec.bUsb = r.u32le(12);
        found.diskDevice = r.u32le(16) != 0;
        ReadText(r, 20, rec.szDescription);
        rec.bDynamic = r.u32le(70);
    }
    if (slots) *slots = found;
    return bool(r);
}
