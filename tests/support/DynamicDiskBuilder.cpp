// Building dynamic disks byte by byte for tests.
#include "tests/support/DynamicDiskBuilder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <filesystem>

namespace testsupport {

namespace {

void PutBe(std::vector<uint8_t>& out, size_t at, uint64_t value, size_t width)
{
    for (size_t i = 0; i < width; ++i) out[at + i] = uint8_t(value >> (8 * (width - 1 - i)));
}

void AppendBe(std::vector<uint8_t>& out, uint64_t value, size_t width)
{
    out.resize(out.size() + width);
    PutBe(out, out.size() - width, value, width);
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

void PutText(std::vector<uint8_t>& out, size_t at, const std::string& text)
{
    std::copy(text.begin(), text.end(), out.begin() + ptrdiff_t(at));
}

} // namespace

std::vector<uint8_t> LdmNumber(uint64_t value)
{
    std::vector<uint8_t> bytes;
    do {
        bytes.insert(bytes.begin(), uint8_t(value));
        value >>= 8;
    } while (value);
    bytes.insert(bytes.begin(), uint8_t(bytes.size()));
    return bytes;
}

std::vector<uint8_t> LdmText(const std::string& text)
{
    std::vector<uint8_t> bytes(text.size() + 1, uint8_t(text.size()));
    std::copy(text.begin(), text.end(), bytes.begin() + 1);
    return bytes;
}

uint64_t DynamicDiskBuilder::AddDisk(const std::string& guidText, const std::string& name)
{
    const uint64_t id = m_nextId++;
    std::vector<uint8_t> d = LdmNumber(id);
    Append(d, LdmText(name));
    Append(d, LdmText(guidText));
    Append(d, LdmText(""));
    AddRecord(0x34, 0, d);
    return id;
}

uint64_t DynamicDiskBuilder::AddVolume(const std::string& name, uint8_t typeCode, uint64_t size512,
                                       uint8_t partitionType, uint64_t components, const std::string& driveHint)
{
    const uint64_t id = m_nextId++;
    std::vector<uint8_t> d = LdmNumber(id);
    Append(d, LdmText(name));
    Append(d, LdmText(typeCode == 4 ? "raid5" : "gen"));
    d.push_back(0);
    std::vector<uint8_t> state(14, 0);
    PutText(state, 0, "ACTIVE");
    Append(d, state);
    d.push_back(typeCode);
    d.push_back(0);
    d.push_back(1); // volume number
    d.insert(d.end(), 3, 0);
    d.push_back(0); // volume flags
    Append(d, LdmNumber(components));
    d.insert(d.end(), 16, 0);
    Append(d, LdmNumber(size512));
    d.insert(d.end(), 4, 0);
    d.push_back(partitionType);
    for (int i = 0; i < 16; ++i) d.push_back(uint8_t(0xA0 + i));
    if (!driveHint.empty()) Append(d, LdmText(driveHint));
    AddRecord(0x51, driveHint.empty() ? 0 : 0x02, d);
    return id;
}

uint64_t DynamicDiskBuilder::AddComponent(const std::string& name, uint64_t volumeId, uint8_t type, uint64_t partitions,
                                          uint64_t stripe512, uint64_t columns)
{
    const uint64_t id = m_nextId++;
    std::vector<uint8_t> d = LdmNumber(id);
    Append(d, LdmText(name));
    Append(d, LdmText("ACTIVE"));
    d.push_back(type);
    d.insert(d.end(), 4, 0);
    Append(d, LdmNumber(partitions));
    d.insert(d.end(), 16, 0);
    Append(d, LdmNumber(volumeId));
    if (stripe512) {
        d.push_back(0);
        Append(d, LdmNumber(stripe512));
        Append(d, LdmNumber(columns));
    }
    AddRecord(0x32, stripe512 ? 0x10 : 0, d);
    return id;
}

uint64_t DynamicDiskBuilder::AddPartition(const std::string& name, uint64_t componentId, uint64_t diskId,
                                          uint64_t start512, uint64_t volumeOffset512, uint64_t size512,
                                          std::optional<uint64_t> index)
{
    const uint64_t id = m_nextId++;
    std::vector<uint8_t> d = LdmNumber(id);
    Append(d, LdmText(name));
    d.insert(d.end(), 12, 0);
    AppendBe(d, start512, 8);
    AppendBe(d, volumeOffset512, 8);
    Append(d, LdmNumber(size512));
    Append(d, LdmNumber(componentId));
    Append(d, LdmNumber(diskId));
    if (index) Append(d, LdmNumber(*index));
    AddRecord(0x33, index ? 0x08 : 0, d);
    return id;
}

void DynamicDiskBuilder::AddRecord(uint8_t type, uint8_t flags, std::vector<uint8_t> data)
{
    m_records.push_back({type, flags, std::move(data)});
}

std::vector<uint8_t> DynamicDiskBuilder::Vblk(uint32_t group, uint16_t recordNumber, uint16_t blockCount, uint8_t flags,
                                              uint8_t type, uint32_t dataLength, std::span<const uint8_t> data)
{
    std::vector<uint8_t> b(128, 0);
    PutText(b, 0, "VBLK");
    PutBe(b, 0x04, group, 4); // sequence number: any increasing value
    PutBe(b, 0x08, group, 4);
    PutBe(b, 0x0C, recordNumber, 2);
    PutBe(b, 0x0E, blockCount, 2);
    size_t at = 0x10, room = 112;
    if (recordNumber == 0) {
        PutBe(b, 0x10, 0, 2);
        b[0x12] = flags;
        b[0x13] = type;
        PutBe(b, 0x14, dataLength, 4);
        at = 0x18;
        room = 104;
    }
    std::copy_n(data.begin(), std::min(room, data.size()), b.begin() + ptrdiff_t(at));
    return b;
}

std::vector<uint8_t> DynamicDiskBuilder::VblkBlocks() const
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < m_records.size(); ++i) {
        const Record& r = m_records[i];
        const size_t extra = r.data.size() > 104 ? (r.data.size() - 104 + 111) / 112 : 0;
        const uint16_t count = uint16_t(1 + extra);
        const auto group = uint32_t(i + 1);
        Append(out, Vblk(group, 0, count, r.flags, r.type, uint32_t(r.data.size()), r.data));
        for (size_t k = 1; k <= extra; ++k) {
            const size_t from = 104 + (k - 1) * 112;
            Append(out,
                   Vblk(group, uint16_t(k), count, 0, 0, 0,
                        std::span<const uint8_t>(r.data).subspan(from, std::min<size_t>(112, r.data.size() - from))));
        }
    }
    return out;
}

std::vector<uint8_t> DynamicDiskBuilder::PrivHead(const std::string& diskGuid, const std::string& groupName,
                                                  uint64_t logicalStart, uint64_t logicalSize, uint64_t configStart,
                                                  uint64_t configSize)
{
    std::vector<uint8_t> s(512, 0);
    PutText(s, 0, "PRIVHEAD");
    PutBe(s, 0x08, 0x2C, 4); // sequence
    PutBe(s, 0x0C, 2, 2);    // version 2.12
    PutBe(s, 0x0E, 12, 2);
    PutText(s, 0x30, diskGuid.substr(0, 63));
    PutText(s, 0x70, "f0000000-0000-0000-0000-00000000000f"); // host id
    PutText(s, 0xB0, "e0000000-0000-0000-0000-00000000000e"); // disk group id
    PutText(s, 0xF0, groupName.substr(0, 31));
    PutBe(s, 0x11B, logicalStart, 8);
    PutBe(s, 0x123, logicalSize, 8);
    PutBe(s, 0x12B, configStart, 8);
    PutBe(s, 0x133, configSize, 8);
    PutBe(s, 0x13B, 2, 8);    // TOC count
    PutBe(s, 0x143, 2, 8);    // TOC size
    PutBe(s, 0x14B, 1, 4);    // configs
    PutBe(s, 0x14F, 1, 4);    // logs
    PutBe(s, 0x153, 1457, 8); // config size in VBLKs' sectors
    PutBe(s, 0x15B, 224, 8);  // log size
    PutBe(s, 0x163, 0, 4);
    return s;
}

std::vector<uint8_t> DynamicDiskBuilder::DatabaseArea() const
{
    std::vector<uint8_t> area(kDatabaseBytes, 0);
    for (size_t sector : {1, 2}) {
        const size_t at = sector * 512;
        PutText(area, at, "TOCBLOCK");
        PutBe(area, at + 0x08, 1, 4);
        PutText(area, at + 0x24, "config");
        PutBe(area, at + 0x2E, 17, 8);
        PutBe(area, at + 0x36, 1457, 8);
        PutText(area, at + 0x46, "log");
        PutBe(area, at + 0x50, 1474, 8);
        PutBe(area, at + 0x58, 224, 8);
    }
    const size_t vmdb = 17 * 512;
    PutText(area, vmdb, "VMDB");
    PutBe(area, vmdb + 0x04, m_records.size() + 4, 4); // last sequence number
    PutBe(area, vmdb + 0x08, 128, 4);                  // VBLK size
    PutBe(area, vmdb + 0x0C, 4, 4);                    // first VBLK, in VBLKs from the VMDB
    PutBe(area, vmdb + 0x10, 1, 2);                    // consistent
    PutBe(area, vmdb + 0x12, 4, 2);
    PutBe(area, vmdb + 0x14, 10, 2);
    PutText(area, vmdb + 0x16, groupName.substr(0, 31));
    const std::vector<uint8_t> blocks = VblkBlocks();
    std::copy_n(blocks.begin(), std::min(blocks.size(), area.size() - vmdb - 512),
                area.begin() + ptrdiff_t(vmdb + 512));
    return area;
}

void DynamicDiskBuilder::WriteDisk(std::vector<uint8_t>& disk, const std::string& guid, int32_t sectorSize) const
{
    const uint64_t ss = uint64_t(sectorSize);
    for (const Piece& piece : Layout(disk.size() / ss, sectorSize, guid))
        std::copy(piece.bytes.begin(), piece.bytes.end(), disk.begin() + ptrdiff_t(piece.offset));
}

bool DynamicDiskBuilder::WriteDiskFile(const std::string& path, uint64_t sectorCount, const std::string& guid) const
{
    for (const Piece& piece : Layout(sectorCount, 512, guid))
        if (!WriteFileAt(path, piece.offset, piece.bytes)) return false;
    return true;
}

std::vector<DynamicDiskBuilder::Piece> DynamicDiskBuilder::Layout(uint64_t sectors, int32_t sectorSize,
                                                                  const std::string& guid) const
{
    const uint64_t ss = uint64_t(sectorSize);
    const uint64_t dbSectors = kDatabaseBytes / ss;
    const uint64_t configStart = sectors - dbSectors;
    const uint64_t logicalStart = kLogicalStart * 512 / ss;
    // MBR: one partition of type 0x42 from the logical disk start up to the database.
    std::vector<uint8_t> mbr(ss, 0);
    mbr[446 + 4] = 0x42;
    const auto start = uint32_t(logicalStart), length = uint32_t(configStart - logicalStart);
    for (int i = 0; i < 4; ++i) {
        mbr[446 + 8 + i] = uint8_t(start >> (8 * i));
        mbr[446 + 12 + i] = uint8_t(length >> (8 * i));
    }
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    const std::vector<uint8_t> head =
        PrivHead(guid, groupName, logicalStart, configStart - logicalStart, configStart, dbSectors);
    // The last sector of the area holds the PRIVHEAD copy.
    std::vector<uint8_t> area = DatabaseArea();
    std::fill(area.end() - ptrdiff_t(ss), area.end(), 0);
    std::copy(head.begin(), head.end(), area.end() - ptrdiff_t(ss));
    return {{0, mbr}, {6 * ss, head}, {configStart * ss, area}};
}

bool WriteFileAt(const std::string& path, uint64_t offset, std::span<const uint8_t> bytes)
{
    if (!std::filesystem::exists(path)) std::ofstream(path, std::ios::binary).close();
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    if (!file) return false;
    file.seekp(std::streamoff(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

std::vector<std::vector<uint8_t>> SplitSpanned(std::span<const uint8_t> volume, const std::vector<uint64_t>& sizes)
{
    std::vector<std::vector<uint8_t>> parts;
    uint64_t at = 0;
    for (uint64_t size : sizes) {
        std::vector<uint8_t> part(size, 0);
        if (at < volume.size())
            std::copy_n(volume.begin() + ptrdiff_t(at), std::min<uint64_t>(size, volume.size() - at), part.begin());
        at += size;
        parts.push_back(std::move(part));
    }
    return parts;
}

std::vector<std::vector<uint8_t>> SplitRaid5(std::span<const uint8_t> volume, size_t n, size_t stripe)
{
    const size_t perRow = (n - 1) * stripe;
    const size_t rows = (volume.size() + perRow - 1) / perRow;
    std::vector<std::vector<uint8_t>> columns(n, std::vector<uint8_t>(rows * stripe, 0));
    for (size_t row = 0; row < rows; ++row) {
        const size_t parity = n - 1 - row % n;
        for (size_t k = 0; k + 1 < n; ++k) {
            const size_t column = (parity + 1 + k) % n;
            const size_t from = row * perRow + k * stripe;
            if (from < volume.size())
                std::copy_n(volume.begin() + ptrdiff_t(from), std::min(stripe, volume.size() - from),
                            columns[column].begin() + ptrdiff_t(row * stripe));
            for (size_t i = 0; i < stripe; ++i) columns[parity][row * stripe + i] ^= columns[column][row * stripe + i];
        }
    }
    return columns;
}

} // namespace testsupport
