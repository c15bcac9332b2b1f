// Composed disks for signature-recovery tests and the RAW fixture manifests.
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace testsupport {

namespace {

const RawPlacedFile& Failed()
{
    static const RawPlacedFile none;
    return none;
}

std::string FixtureDir(const std::string& family)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/raw/" + family;
}

} // namespace

RawImageComposer::RawImageComposer(uint64_t sectorCount, int32_t sectorSize, Filler filler, uint32_t seed)
    : m_sectorCount(sectorCount), m_sectorSize(sectorSize), m_bytes(size_t(sectorCount * uint64_t(sectorSize)))
{
    if (filler == Filler::Random) {
        std::mt19937 random(seed);
        for (size_t i = 0; i + 4 <= m_bytes.size(); i += 4) {
            const uint32_t v = random();
            std::memcpy(m_bytes.data() + i, &v, 4);
        }
    }
}

const RawPlacedFile& RawImageComposer::Place(uint64_t startSector, const std::vector<uint8_t>& bytes, int type,
                                             const std::string& name)
{
    const uint64_t sectors = (bytes.size() + uint64_t(m_sectorSize) - 1) / uint64_t(m_sectorSize);
    if (startSector > m_sectorCount || sectors > m_sectorCount - startSector) {
        ADD_FAILURE() << "file " << name << " of " << bytes.size() << " bytes does not fit at sector " << startSector;
        return Failed();
    }
    for (const RawPlacedFile& f : m_files) {
        const uint64_t fEnd = f.startSector + (f.size + uint64_t(m_sectorSize) - 1) / uint64_t(m_sectorSize);
        if (startSector < fEnd && f.startSector < startSector + std::max<uint64_t>(sectors, 1)) {
            ADD_FAILURE() << "file " << name << " at sector " << startSector << " overlaps " << f.name;
            return Failed();
        }
    }
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + std::ptrdiff_t(startSector * uint64_t(m_sectorSize)));
    m_files.push_back({name, startSector, bytes.size(), type, Sha256Hex(bytes)});
    return m_files.back();
}

const RawPlacedFile& RawImageComposer::Append(const std::vector<uint8_t>& bytes, int type, const std::string& name,
                                              uint64_t gapSectors)
{
    uint64_t next = 0;
    for (const RawPlacedFile& f : m_files)
        next = std::max(next, f.startSector + (f.size + uint64_t(m_sectorSize) - 1) / uint64_t(m_sectorSize));
    return Place(next + gapSectors, bytes, type, name);
}

std::unique_ptr<MemoryDevice> RawImageComposer::MakeDevice() const
{
    return std::make_unique<MemoryDevice>(m_bytes, m_sectorSize);
}

std::string RawImageComposer::Sha256At(uint64_t startSector, uint64_t size) const
{
    const uint64_t at = startSector * uint64_t(m_sectorSize);
    if (startSector > m_sectorCount || at > m_bytes.size() || size > m_bytes.size() - at) return {};
    return Sha256Hex(m_bytes.data() + at, size_t(size));
}

std::vector<RawFixture> ReadRawFixtureManifest(const std::string& family)
{
    std::vector<RawFixture> out;
    std::ifstream in(std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/raw/" + family + ".manifest");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        RawFixture f;
        std::string type, size;
        if (std::getline(fields, f.name, '\t') && std::getline(fields, type, '\t') &&
            std::getline(fields, size, '\t') && std::getline(fields, f.sha256, '\t')) {
            f.type = std::stoi(type);
            f.size = std::stoull(size);
            out.push_back(f);
        }
    }
    return out;
}

std::vector<uint8_t> ReadRawFixture(const std::string& family, const std::string& name)
{
    std::ifstream in(FixtureDir(family) + "/" + name, std::ios::binary);
    if (!in) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testsupport
