// A test kit for signature recovery: composes an in-memory disk from files placed at sector offsets in zero or
// random filler, and records where each file starts, its size, its RAW type and its SHA-256.
#pragma once

#include "tests/support/MemoryDevice.h"
#include "tests/support/Sha256.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// One file placed on the composed disk.
struct RawPlacedFile {
    std::string name;
    uint64_t startSector = 0;
    uint64_t size = 0;
    int type = 0;
    std::string sha256;
};

class RawImageComposer {
public:
    enum class Filler { Zero, Random };

    // sectorCount sectors of sectorSize bytes, filled with zeros or with random bytes from seed.
    RawImageComposer(uint64_t sectorCount, int32_t sectorSize = 512, Filler filler = Filler::Zero, uint32_t seed = 1);

    // Writes the file at the sector and records it. Fails the test (and places nothing) when it would run past
    // the disk's end or overlap a file placed before.
    const RawPlacedFile& Place(uint64_t startSector, const std::vector<uint8_t>& bytes, int type,
                               const std::string& name = {});
    // Places the file gapSectors sectors after the end of the last placed file (or at sector gapSectors).
    const RawPlacedFile& Append(const std::vector<uint8_t>& bytes, int type, const std::string& name = {},
                                uint64_t gapSectors = 1);

    const std::vector<RawPlacedFile>& Files() const { return m_files; }
    std::vector<uint8_t>& Bytes() { return m_bytes; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    uint64_t SectorCount() const { return m_sectorCount; }
    int32_t SectorSize() const { return m_sectorSize; }

    // A device over a copy of the composed bytes.
    std::unique_ptr<MemoryDevice> MakeDevice() const;
    // SHA-256 (lower-case hex) of size bytes of the disk from the sector; empty when they run past its end.
    std::string Sha256At(uint64_t startSector, uint64_t size) const;

private:
    uint64_t m_sectorCount;
    int32_t m_sectorSize;
    std::vector<uint8_t> m_bytes;
    std::vector<RawPlacedFile> m_files;
};

// A committed RAW fixture: tests/fixtures/raw/<family>/<name> and its line of tests/fixtures/raw/<family>.manifest
// ("name<TAB>type id<TAB>size<TAB>sha256"; lines starting with '#' are comments).
struct RawFixture {
    std::string name;
    int type = 0;
    uint64_t size = 0;
    std::string sha256;
};
std::vector<RawFixture> ReadRawFixtureManifest(const std::string& family);
// The bytes of one fixture file; empty when it cannot be read.
std::vector<uint8_t> ReadRawFixture(const std::string& family, const std::string& name);

} // namespace testsupport
