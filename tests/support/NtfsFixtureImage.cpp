// Loading the NTFS fixture image and its manifest.
#include "tests/support/NtfsFixtureImage.h"

#include "tests/support/FixtureManifests.h"

#include <string>
#include <vector>

namespace testsupport {

uint8_t NtfsFixtureFile::ByteAt(uint64_t position) const
{
    if (position < dataOffset || position - dataOffset >= dataLength) return 0;
    return NtfsFixturePattern(seed, position - dataOffset);
}

const NtfsFixtureFile* NtfsFixtureImage::File(const std::string& path) const
{
    for (const NtfsFixtureFile& f : files)
        if (f.path == path) return &f;
    return nullptr;
}

namespace {

NtfsFixtureImage Load()
{
    NtfsFixtureImage image;
    image.bytes = LoadFixtureImage("ntfs_small");
    if (image.bytes.empty()) return image;

    for (const std::vector<std::string>& f : ReadManifestRows("ntfs_small")) {
        if (f[0] == "volume" && f.size() == 5) {
            image.label = f[1];
            image.bytesPerSector = uint32_t(std::stoul(f[2]));
            image.bytesPerCluster = uint32_t(std::stoul(f[3]));
            image.bytesPerRecord = uint32_t(std::stoul(f[4]));
        } else if (f[0] == "file" && f.size() == 8) {
            NtfsFixtureFile file;
            file.deleted = f[1] == "deleted";
            file.path = f[2];
            file.size = std::stoull(f[3]);
            file.record = std::stoull(f[4]);
            file.seed = unsigned(std::stoul(f[5]));
            file.dataOffset = std::stoull(f[6]);
            file.dataLength = std::stoull(f[7]);
            image.files.push_back(file);
        } else if (f[0] == "names" && f.size() == 3) {
            image.names.push_back({f[1], std::stoi(f[2])});
        } else if (f[0] == "stream" && f.size() == 5) {
            image.streams.push_back({f[1], f[2], std::stoull(f[3]), unsigned(std::stoul(f[4]))});
        }
    }
    return image;
}

} // namespace

const NtfsFixtureImage& NtfsFixtureImage::Small()
{
    static const NtfsFixtureImage image = Load();
    return image;
}

} // namespace testsupport
