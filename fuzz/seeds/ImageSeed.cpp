// Writes seeds for the disk-image fuzz target: a small disk of patterned and zero sectors imaged with each
// codec (stored, bzip2, zlib, LZMA), each seed being the image file's length, the image file and the slice.
// Usage: salvix-imageseed <output folder>
#include "core/devices/IStorageDevice.h"
#include "storage/diskimage/CCompressController.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

class PatternDisk : public IStorageDevice {
public:
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        auto* out = static_cast<uint8_t*>(buffer);
        for (uint64_t s = 0; s < count; ++s)
            for (uint64_t i = 0; i < 512; ++i)
                out[s * 512 + i] = (first + s) % 3 == 0 ? 0 : uint8_t((first + s) * 7 + i);
        return first + count <= kSectors;
    }
    uint64_t GetSectorCount() override { return kSectors; }
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }
    static constexpr uint64_t kSectors = 600; // two whole blocks and a short one
};

std::vector<char> ReadAll(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path out = argv[1];
    const fs::path work = fs::temp_directory_path() / ("salvix-imageseed-" + std::to_string(::getpid()));
    fs::create_directories(out);
    fs::create_directories(work);
    int failures = 0;
    for (int kind = 0; kind <= 3; ++kind) {
        const fs::path image = work / ("disk" + std::to_string(kind) + ".kxi");
        PatternDisk disk;
        CCompressController controller;
        controller.SetSource(&disk, "seed disk", 0, PatternDisk::kSectors, 255);
        controller.SetCompression(kind, -1, 0);
        controller.SetImagePath(image.string().c_str());
        if (controller.Compress(nullptr) != 1) {
            std::fprintf(stderr, "salvix-imageseed: codec %d: %s\n", kind, controller.GetErrorText().c_str());
            ++failures;
            continue;
        }
        const std::vector<char> head = ReadAll(image);
        const std::vector<char> slice = ReadAll(work / ("disk" + std::to_string(kind) + ".part1.kxf"));
        std::ofstream seed(out / ("image-codec" + std::to_string(kind)), std::ios::binary | std::ios::trunc);
        const uint32_t n = uint32_t(head.size());
        const char length[4] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
        seed.write(length, 4);
        seed.write(head.data(), std::streamsize(head.size()));
        seed.write(slice.data(), std::streamsize(slice.size()));
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return failures == 0 ? 0 : 1;
}
