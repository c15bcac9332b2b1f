// The dynamic-disk test: MBR type 0x42 anywhere in the extended chain, or the two LDM partitions of GPT.
#include "core/devices/DynamicDisk.h"

#include "core/devices/IStorageDevice.h"

#include <algorithm>
#include <cstring>
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

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
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
    if (sector.size() < 512)
        return;
    for (size_t offset : {283, 291, 299, 307, 315, 323, 339, 347})
        ReverseBytes(sector.data() + offset, 8);
    for (size_t offset : {331, 335, 355})
        ReverseBytes(sector.data() + offset, 4);
    for (size_t offset : {12, 14})
        ReverseBytes(sector.data() + offset, 2);
}

bool CheckPrivHeadSignature(std::span<const uint8_t> sector)
{
    return sector.size() >= 8 && std::memcmp(sector.data(), "PRIVHEAD", 8) == 0;
}

bool CheckPrivHead(std::span<uint8_t> sector)
{
    if (!CheckPrivHeadSignature(sector))
        return false;
    SwapPrivHeadFields(sector);
    return true;
}

bool IsDynamicDisk(IStorageDevice* device, uint64_t sectorCount, int32_t sectorSize)
{
    if (!device || sectorSize < 512 || sectorCount <= 6)
        return false;
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
        for (int i = 0; i < 4 && !result; ++i) {
            const uint8_t* entry = sector.data() + kEntryTable + i * kEntrySize;
            const uint8_t type = entry[4];
            if (type == kTypeDynamic) {
                result = true;
            } else if (IsExtendedType(type)) {
                const uint32_t start = Le32(entry + 8);
                next = base + start;
                linked = true;
                if (!baseSet) {
                    base = start;
                    baseSet = true;
                }
            }
        }
        if (result || !linked || visited.count(next))
            break;
        current = next;
    }

    // A PRIVHEAD at sector 6 only confirms what type 0x42 already said, so it is not read here.
    if (result)
        return true;

    // GPT: a protective MBR, and both LDM partitions among the first four entries.
    if (!device->ReadSectors(sector.data(), 0, 1) || sector[kEntryTable + 4] != kTypeProtective)
        return false;
    if (!device->ReadSectors(sector.data(), 2, 1))
        return false;
    static const std::vector<uint8_t> metadata = Utf16Le("LDM metadata partition");
    static const std::vector<uint8_t> data = Utf16Le("LDM data partition");
    bool sawMetadata = false, sawData = false;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* name = sector.data() + i * 128 + 56;
        sawMetadata = sawMetadata || std::memcmp(name, metadata.data(), 43) == 0;
        sawData = sawData || std::memcmp(name, data.data(), 35) == 0;
    }
    return sawMetadata && sawData;
}
