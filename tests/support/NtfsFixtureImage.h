// The NTFS fixture image made by tests/fixtures/make_ntfs_image.sh: decompressed once per test program, with
// its manifest parsed, and the pattern its files were filled with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct NtfsFixtureFile {
    bool deleted = false;
    std::string path;
    uint64_t size = 0;
    uint64_t record = 0;
    unsigned seed = 0;
    uint64_t dataOffset = 0;
    uint64_t dataLength = 0;
    // The byte the file holds at a position.
    uint8_t ByteAt(uint64_t position) const;
    std::string Name() const { return path.substr(path.rfind('/') + 1); }
};

struct NtfsFixtureNames {
    std::string path;
    int count = 0;
};

struct NtfsFixtureStream {
    std::string path;
    std::string name;
    uint64_t size = 0;
    unsigned seed = 0;
};

struct NtfsFixtureImage {
    std::vector<uint8_t> bytes; // the whole volume
    std::string label;
    uint32_t bytesPerSector = 0;
    uint32_t bytesPerCluster = 0;
    uint32_t bytesPerRecord = 0;
    std::vector<NtfsFixtureFile> files;
    std::vector<NtfsFixtureNames> names;
    std::vector<NtfsFixtureStream> streams;

    const NtfsFixtureFile* File(const std::string& path) const;

    // Decompressed on the first call (xz); an empty image when the fixture cannot be read.
    static const NtfsFixtureImage& Small();
};

// Byte i of a pattern run: (seed + 13 * i) & 255.
inline uint8_t NtfsFixturePattern(unsigned seed, uint64_t i)
{
    return uint8_t((seed + 13 * i) & 255);
}

} // namespace testsupport
