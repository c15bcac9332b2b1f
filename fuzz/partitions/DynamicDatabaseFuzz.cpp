// fuzz-target: salvix_partitions
// The dynamic-disk database: the input is read as a VBLK area and its records decoded and linked; then as
// a whole disk of 512-byte sectors whose PRIVHEAD, GPT and database are searched and whose volumes are built
// and read.
#include "filesystems/partitions/CLdmDatabase.h"
#include "filesystems/partitions/LdmDatabaseFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The input as a read-only disk.
class SpanDisk : public IStorageDevice {
public:
    SpanDisk(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        std::memset(buffer, 0, count * 512);
        const uint64_t sectors = GetSectorCount();
        if (first > sectors || count > sectors - first) return false;
        std::memcpy(buffer, m_data + first * 512, count * 512);
        return true;
    }
    uint64_t GetSectorCount() override { return m_size / 512; }
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }

private:
    const uint8_t* m_data;
    size_t m_size;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4u << 20) return -1;
    const std::span<const uint8_t> bytes(data, size);
    for (int32_t sectorSize : {512, 4096}) {
        const LdmDatabaseRecords records = DecodeLdmRecords(ParseVblkArea(bytes), sectorSize);
        for (const LdmVolumeRecord& v : records.volumes)
            for (size_t c : v.components)
                if (c >= records.components.size()) __builtin_trap();
    }
    if (const auto gpt = DecodeGptHeader(bytes)) (void)FindLdmMetadataEntry(bytes, gpt->entrySize, gpt->count);

    SpanDisk disk(data, size);
    CStorageDeviceList disks{&disk};
    std::vector<DynamicVolumeEntry> entries;
    CLdmDatabase().ReadAllDisks(disks, entries);
    std::vector<uint8_t> sector(512 * 8);
    for (DynamicVolumeEntry& entry : entries) {
        const uint64_t count = entry.device->GetSectorCount();
        entry.device->ReadSectors(sector.data(), 0, std::min<uint64_t>(8, count));
        if (count > 8) entry.device->ReadSectors(sector.data(), count - 8, 8);
    }
    return 0;
}
