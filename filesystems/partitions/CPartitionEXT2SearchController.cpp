// ext2 and ext3 superblocks at candidate sectors.
#include "filesystems/partitions/CPartitionEXT2SearchController.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/CBasicPartitionDevice.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/ext2/CExt2Volume.h"
#include "filesystems/ext2/Ext2Structures.h"
#include "filesystems/tree/FileSystemKind.h"

namespace {

constexpr size_t kSuperBlockOffset = 1024;
constexpr size_t kMagicOffset = kSuperBlockOffset + 56;
constexpr size_t kGroupNumberOffset = kSuperBlockOffset + 90;

} // namespace

int CPartitionEXT2SearchController::CheckSector(std::span<const uint8_t> bytes, uint64_t sector,
                                                CLostPartitionRecord& record)
{
    if (!m_disk) return 0;
    // Most candidates hold nothing: the magic is looked at in what was read before the file system is opened.
    // Only the primary copy (group 0) starts a partition here; a backup copy in group g lies g groups into
    // its file system, and opening it would report a partition at the wrong start.
    bytes::ByteReader r(bytes);
    const uint16_t magic = r.u16le(kMagicOffset);
    const uint16_t group = r.u16le(kGroupNumberOffset);
    if (!r || magic != ext2::kMagic || group != 0) return 0;

    CExt2Volume volume(m_disk, sector);
    const int32_t kind = volume.GetFileSystemKind();
    if (kind != kFsKindExt2 && kind != kFsKindExt3) return 0;
    const uint64_t count = ClampPartitionSize(volume.GetTotalSectors(), sector, m_disk->GetSectorCount());
    record.u64StartSector = sector;
    record.u64SectorCount = count;
    record.nFileSystemKind = kind;
    record.pDevice = new CBasicPartitionDevice(m_disk, sector, count);
    volume.GetLabel(record.szLabel, int(sizeof record.szLabel));
    return 1;
}
