// fuzz-target: salvix_partitions
// The dynamic-disk database: the input is read as a VBLK area whose records are decoded and linked; then as
// the pages of a 4 MiB disk (see PagedFuzzDevice) whose PRIVHEAD, GPT and database are searched and whose
// volumes are built and read at both ends.
#include "filesystems/partitions/CLdmDatabase.h"
#include "filesystems/partitions/LdmDatabaseFormat.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1u << 20) return -1;
    const std::span<const uint8_t> bytes(data, size);
    for (int32_t sectorSize : {512, 4096}) {
        const LdmDatabaseRecords records = DecodeLdmRecords(ParseVblkArea(bytes), sectorSize);
        for (const LdmVolumeRecord& v : records.volumes)
            for (size_t c : v.components)
                if (c >= records.components.size()) __builtin_trap();
        for (const LdmComponentRecord& c : records.components)
            for (size_t p : c.partitions)
                if (p >= records.partitions.size()) __builtin_trap();
    }
    if (const auto gpt = DecodeGptHeader(bytes)) (void)FindLdmMetadataEntry(bytes, gpt->entrySize, gpt->count);

    // The database of an MBR dynamic disk fills its last 1 MiB: pages 768 to 1023 of this disk.
    fuzz::PagedFuzzDevice disk(bytes, 512, 8192);
    CStorageDeviceList disks{&disk};
    std::vector<DynamicVolumeEntry> entries;
    CLdmDatabase().ReadAllDisks(disks, entries);
    std::vector<uint8_t> sector(512 * 8);
    for (DynamicVolumeEntry& entry : entries) {
        const uint64_t count = entry.device->GetSectorCount();
        const int32_t sectorSize = entry.device->GetSectorSize();
        if (sectorSize <= 0 || sectorSize > 512) continue; // members of this disk only: 512-byte sectors
        entry.device->ReadSectors(sector.data(), 0, std::min<uint64_t>(8, count));
        if (count > 8) entry.device->ReadSectors(sector.data(), count - 8, 8);
    }
    return 0;
}
