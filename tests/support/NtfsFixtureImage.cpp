// Loading the NTFS fixture image and its manifest.
#include "tests/support/NtfsFixtureImage.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

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

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

NtfsFixtureImage Load()
{
    NtfsFixtureImage image;
    const std::string dir = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/";
    TempDir temp;
    const std::string out = (temp / "ntfs_small.img").string();
    const std::string cmd = "xz -dc '" + dir + "ntfs_small.img.xz' > '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return image;
    std::ifstream img(out, std::ios::binary);
    image.bytes.assign(std::istreambuf_iterator<char>(img), std::istreambuf_iterator<char>());

    std::ifstream manifest(dir + "ntfs_small.manifest");
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = Split(line);
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
