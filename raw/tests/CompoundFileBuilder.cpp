// Compound documents for the tests: a consistent small writer and header/directory pieces for crafted cases.
#include "raw/tests/CompoundFileBuilder.h"

#include <algorithm>
#include <cstring>

namespace rawkit {

namespace {

constexpr size_t kSector = 512;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kTableMark = 0xFFFFFFFD;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> HeaderBase(uint32_t tableCount, uint32_t firstDirectory, uint32_t firstDifat, uint32_t difatCount)
{
    std::vector<uint8_t> h(kSector, 0);
    const uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(h.data(), signature, sizeof signature);
    Put16(h, 24, 0x3E);
    Put16(h, 26, 3);
    Put16(h, 28, 0xFFFE);
    Put16(h, 30, 9);
    Put16(h, 32, 6);
    Put32(h, 44, tableCount);
    Put32(h, 48, firstDirectory);
    Put32(h, 56, 4096);
    Put32(h, 60, kEnd);
    Put32(h, 68, firstDifat);
    Put32(h, 72, difatCount);
    for (size_t i = 0; i < 109; ++i) Put32(h, 76 + 4 * i, kFree);
    return h;
}

void WriteEntry(std::vector<uint8_t>& b, size_t at, const std::u16string& name, uint8_t type)
{
    const size_t n = std::min<size_t>(name.size(), 31);
    for (size_t i = 0; i < n; ++i) Put16(b, at + 2 * i, name[i]);
    Put16(b, at + 64, uint16_t((n + 1) * 2));
    b[at + 66] = type;
    b[at + 67] = 1; // black
    Put32(b, at + 68, kFree);
    Put32(b, at + 72, kFree);
    Put32(b, at + 76, kFree);
    Put32(b, at + 116, kEnd);
}

} // namespace

size_t CompoundFileBuilder::Add(const std::u16string& name, size_t dataBytes, size_t parent, bool storage)
{
    m_entries.push_back({name, storage ? 0 : dataBytes, parent, storage});
    return m_entries.size();
}

std::vector<uint8_t> CompoundFileBuilder::Build() const
{
    const size_t entries = m_entries.size() + 1;
    const size_t directorySectors = (entries + 3) / 4;
    size_t dataSectors = 0;
    for (const Entry& e : m_entries) dataSectors += (e.dataBytes + kSector - 1) / kSector;
    size_t tableSectors = 1;
    while (tableSectors * 128 < tableSectors + directorySectors + dataSectors) ++tableSectors;
    const size_t total = tableSectors + directorySectors + dataSectors;

    std::vector<uint8_t> file = HeaderBase(uint32_t(tableSectors), uint32_t(tableSectors), kEnd, 0);
    file.resize(kSector * (total + 1), 0);
    auto sectorAt = [](size_t s) { return kSector * (s + 1); };
    std::vector<uint32_t> table(tableSectors * 128, kFree);
    for (size_t i = 0; i < tableSectors; ++i) {
        Put32(file, 76 + 4 * i, uint32_t(i));
        table[i] = kTableMark;
    }
    auto chain = [&](size_t first, size_t count) {
        for (size_t i = 0; i < count; ++i) table[first + i] = i + 1 < count ? uint32_t(first + i + 1) : kEnd;
    };
    chain(tableSectors, directorySectors);

    // The directory: entry 0 the root, then the entries in order; each storage's children hang off its child
    // pointer as a chain of right siblings.
    const size_t directory = sectorAt(tableSectors);
    for (size_t s = 0; s < directorySectors * 4; ++s) {
        const size_t at = directory + s * 128;
        for (size_t k = 0; k < 3; ++k) Put32(file, at + 68 + 4 * k, kFree);
    }
    WriteEntry(file, directory, u"Root Entry", 5);
    std::copy(m_rootClass.begin(), m_rootClass.end(), file.begin() + directory + 80);
    std::vector<size_t> lastChild(entries, 0);
    size_t next = tableSectors + directorySectors;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        const size_t id = i + 1;
        const size_t at = directory + id * 128;
        WriteEntry(file, at, e.name, e.storage ? 1 : 2);
        const size_t parentAt = directory + e.parent * 128;
        if (lastChild[e.parent] == 0)
            Put32(file, parentAt + 76, uint32_t(id));
        else
            Put32(file, directory + lastChild[e.parent] * 128 + 72, uint32_t(id));
        lastChild[e.parent] = id;
        const size_t sectors = (e.dataBytes + kSector - 1) / kSector;
        if (sectors != 0) {
            Put32(file, at + 116, uint32_t(next));
            Put32(file, at + 120, uint32_t(e.dataBytes));
            for (size_t k = 0; k < e.dataBytes; ++k) file[sectorAt(next) + k] = uint8_t(id * 31 + k);
            chain(next, sectors);
            next += sectors;
        }
    }
    for (size_t i = 0; i < table.size(); ++i) Put32(file, sectorAt(i / 128) + 4 * (i % 128), table[i]);
    return file;
}

std::vector<uint8_t> CompoundHeader(const std::vector<uint32_t>& tableSectors, uint32_t firstDirectorySector,
                                    uint32_t firstDifatSector)
{
    std::vector<uint8_t> h = HeaderBase(uint32_t(tableSectors.size()), firstDirectorySector, firstDifatSector, 0);
    for (size_t i = 0; i < std::min<size_t>(109, tableSectors.size()); ++i) Put32(h, 76 + 4 * i, tableSectors[i]);
    return h;
}

std::vector<uint8_t> CompoundDirectorySector(const std::vector<std::u16string>& names,
                                             const std::array<uint8_t, 16>& rootClass)
{
    std::vector<uint8_t> d(kSector, 0);
    for (size_t i = 0; i < 4; ++i) {
        for (size_t k = 0; k < 3; ++k) Put32(d, i * 128 + 68 + 4 * k, kFree);
        if (i < names.size()) WriteEntry(d, i * 128, names[i], i == 0 ? 5 : 2);
    }
    std::copy(rootClass.begin(), rootClass.end(), d.begin() + 80);
    return d;
}

} // namespace rawkit
