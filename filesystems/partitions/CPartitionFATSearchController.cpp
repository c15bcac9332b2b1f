// FAT boot sectors at candidate sectors, confirmed by the table signature after the reserved sectors.
#include "filesystems/partitions/CPartitionFATSearchController.h"

#include "core/devices/CBasicPartitionDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/partitions/CFatVolumeLabelReader.h"
#include "filesystems/tree/FileSystemKind.h"

#include <string>
#include <vector>

void CPartitionFATSearchController::SetDevice(IStorageDevice* disk)
{
    m_disk = disk;
    m_sectorSize = disk && disk->GetSectorSize() > 0 ? disk->GetSectorSize() : 512;
}

int CPartitionFATSearchController::CheckSector(std::span<const uint8_t> bytes, uint64_t sector,
                                               CLostPartitionRecord& record)
{
    if (!m_disk || bytes.size() < size_t(m_sectorSize)) return 0;
    const CFATDBR boot(bytes.first(size_t(m_sectorSize)), m_sectorSize);
    if (!boot.IsValid()) return 0;
    const uint64_t diskSectors = m_disk->GetSectorCount();
    const uint64_t tableSector = sector + boot.GetReservedSectorCount();
    if (tableSector >= diskSectors) return 0;
    std::vector<uint8_t> table(size_t(m_sectorSize), 0);
    if (!m_disk->ReadSectors(table.data(), tableSector, 1)) return 0;
    // The copy of the boot sector's width, carrying its media descriptor.
    if (!IsFATTableStart(table, boot.GetFATType(), boot.GetMediaDescriptor())) return 0;

    const uint64_t count = ClampPartitionSize(boot.GetTotalSectors(), sector, diskSectors);
    record.u64StartSector = sector;
    record.u64SectorCount = count;
    record.nFileSystemKind = boot.GetFATType();
    record.pDevice = new CBasicPartitionDevice(m_disk, sector, count);
    std::string label;
    CFatVolumeLabelReader(m_disk).ReadLabel(sector, boot, label);
    CopyFixedText(record.szLabel, label);
    return 1;
}
