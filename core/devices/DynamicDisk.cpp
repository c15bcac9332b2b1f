// The dynamic-disk test: MBR type 0x42 anywhere in the extended chain, or the two LDM partitions of GPT.
#include "core/devices/DynamicDisk.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr size_t kEntryTable = 446;
constexpr size_t kEntrySize = 16;
constexpr uint8_t kTypeDynamic = 0x42;
constexpr uint8_t kTypeProtective = 0xEE;
// Far more logical partitions than any real chain holds; ends a chain that never repeats a sector.
constexpr size_t kMaxChainSectors = 4096;

bool IsExtendedType(uint8_t type)
{
    return type == 0x05 || type == 0x0F || type == 0x85;
}

// The numeric fields of PRIVHEAD by offset and width, all big-endian on disk.
struct Field {
    size_t offset;
    size_t width;
};
constexpr Field kPrivHeadFields[] = {{0x11B, 8}, {0x123, 8}, {0x12B, 8}, {0x133, 8}, {0x13B, 8}, {0x143, 8}, {0x153, 8},
                                     {0x15B, 8}, {0x14B, 4}, {0x14F, 4}, {0x163, 4}, {0x0C, 2},  {0x0E, 2}};
constexpr size_t kPrivHeadDiskId = 0x30;
constexpr size_t kPrivHeadDiskIdSize = 64;
constexpr size_t kPrivHeadGroup = 0xF0;
constexpr size_t kPrivHeadGroupSize = 32;
constexpr size_t kPrivHeadLogicalStart = 0x11B;
constexpr size_t kPrivHeadLogicalSize = 0x123;
constexpr size_t kPrivHeadConfigStart = 0x12B;
constexpr size_t kPrivHeadConfigSize = 0x133;

std::string TextField(std::span<const uint8_t> bytes)
{
    size_t n = 0;
    while (n < bytes.size() && bytes[n]) ++n;
    return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}

// The first bytes of a text in UTF-16LE, as a GPT entry stores its name.
std::vector<uint8_t> Utf16Le(const char* text)
{
    std::vector<uint8_t> out;
    for (const char* c = text; *c; ++c) {
        out.push_back(static_cast<uint8_t>(*c));
        out.push_back(0);
    }
    return out;
}

} // namespace

size_t ReverseBytes(uint8_t* bytes, size_t n)
{
    std::reverse(bytes, bytes + n);
    return n / 2;
}

void SwapPrivHeadFields(std::span<uint8_t> sector)
{
    if (sector.size() < 512) return;
    for (const Field& f : kPrivHeadFields) ReverseBytes(sector.data() + f.offset, f.width);
}

bool CheckPrivHeadSignature(std::span<const uint8_t> sector)
{
    return bytes::ByteReader(sector).matches(0, "PRIVHEAD");
}

bool DecodePrivHead(std::span<const uint8_t> sector, PrivHeadFields& fields)
{
    bytes::ByteReader r(sector);
    if (r.size() < 512 || !r.matches(0, "PRIVHEAD")) return false;
    fields.diskId = TextField(r.span(kPrivHeadDiskId, kPrivHeadDiskIdSize));
    fields.diskGroupName = TextField(r.span(kPrivHeadGroup, kPrivHeadGroupSize));
    fields.logicalDiskStart = r.u64be(kPrivHeadLogicalStart);
    fields.logicalDiskSize = r.u64be(kPrivHeadLogicalSize);
    fields.configStart = r.u64be(kPrivHeadConfigStart);
    fields.configSize = r.u64be(kPrivHeadConfigSize);
    return r.ok();
}

bool DecodeVblkHeader(std::span<const uint8_t> block, VblkHeader& header)
{
    bytes::ByteReader r(block);
    if (r.size() < 128 || !r.matches(0, "VBLK")) return false;
    header.sequence = r.u32be(0x04);
    header.group = r.u32be(0x08);
    header.recordNumber = r.u16be(0x0C);
    header.blockCount = r.u16be(0x0E);
    header.updateStatus = r.u16be(0x10);
    header.flags = r.u8(0x12);
    header.type = r.u8(0x13);
    header.dataLength = r.u32be(0x14);
    return r.ok();
}

bool CheckPrivHead(std::span<uint8_t> sector)
{
    if (!CheckPrivHeadSignature(sector)) return false;
    SwapPrivHeadFields(sector);
    return true;
}

bool IsDynamicDisk(IStorageDevice* device, uint64_t sectorCount, int32_t sectorSize)
{
    if (!device || sectorSize < 512 || sectorCount <= 6) return false;
    std::vector<uint8_t> sector(static_cast<size_t>(sectorSize));
    bool result = false;

    // The extended chain: every link is relative to the extended partition named by the MBR.
    std::set<uint64_t> visited;
    uint64_t current = 0;
    uint64_t base = 0;
    bool baseSet = false;
    while (visited.size() < kMaxChainSectors && device->ReadSectors(sector.data(), current, 1)) {
        visited.insert(current);
        bool linked = false;
        uint64_t next = 0;
        bytes::ByteReader table(sector);
        for (size_t i = 0; i < 4 && !result; ++i) {
            bytes::ByteReader entry = table.sub(kEntryTable + i * kEntrySize, kEntrySize);
            const uint8_t type = entry.u8(4);
            if (type == kTypeDynamic) {
                result = true;
            } else if (IsExtendedType(type)) {
                const uint32_t start = entry.u32le(8);
                next = base + start;
                linked = true;
                if (!baseSet) {
                    base = start;
                    baseSet = true;
                }
            }
        }
        if (result || !linked || visited.count(next)) break;
        current = next;
    }

    // A PRIVHEAD at sector 6 only confirms what type 0x42 already said, so it is not read here.
    if (result) return true;

    // GPT: a protective MBR, and both LDM partitions among the first four entries.
    if (!device->ReadSectors(sector.data(), 0, 1) || bytes::ByteReader(sector).u8(kEntryTable + 4) != kTypeProtective)
        return false;
    if (!device->ReadSectors(sector.data(), 2, 1)) return false;
    static const std::vector<uint8_t> metadata = Utf16Le("LDM metadata partition");
    static const std::vector<uint8_t> data = Utf16Le("LDM data partition");
    bool sawMetadata = false, sawData = false;
    const bytes::ByteReader entries(sector);
    for (size_t i = 0; i < 4; ++i) {
        const size_t name = i * 128 + 56;
        sawMetadata = sawMetadata || entries.matches(name, std::span<const uint8_t>(metadata).first(43));
        sawData = sawData || entries.matches(name, std::span<const uint8_t>(data).first(35));
    }
    return sawMetadata && sawData;
}
