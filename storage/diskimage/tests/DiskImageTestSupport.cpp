// Helpers of the disk-image tests.
#include "storage/diskimage/tests/DiskImageTestSupport.h"

#include <fstream>
#include <iterator>
#include <random>

namespace dtest {

std::unique_ptr<testsupport::MemoryDevice> MakeSource(uint64_t sectors, int32_t sectorSize, uint32_t seed)
{
    auto device = std::make_unique<testsupport::MemoryDevice>(sectors, sectorSize);
    std::mt19937 gen(seed);
    for (uint64_t s = 0; s < sectors; ++s) {
        uint8_t* p = device->Sector(s);
        switch ((s / 64) % 3) {
        case 0:
            for (int32_t i = 0; i < sectorSize; ++i) p[i] = uint8_t(gen());
            break;
        case 1:
            for (int32_t i = 0; i < sectorSize; ++i) p[i] = testsupport::MemoryDevice::PatternByte(s, uint64_t(i));
            break;
        default: break;
        }
    }
    return device;
}

int WriteImage(IStorageDevice& source, const std::string& path, const ImageSettings& settings,
               ICompressCallBack* callback, CCompressController* controller)
{
    CCompressController own;
    CCompressController& c = controller ? *controller : own;
    const uint64_t count = settings.count == UINT64_MAX ? source.GetSectorCount() - settings.first : settings.count;
    c.SetSource(&source, settings.name.c_str(), settings.first, count, settings.heads);
    c.SetCompression(settings.kind, settings.level, settings.sliceLimit);
    c.SetImagePath(path.c_str());
    return c.Compress(callback);
}

std::vector<uint8_t> ReadAll(IStorageDevice& device, uint64_t step, bool* ok)
{
    const uint64_t g = uint64_t(device.GetSectorSize());
    const uint64_t n = device.GetSectorCount();
    std::vector<uint8_t> bytes(n * g);
    bool all = true;
    for (uint64_t s = 0; s < n; s += step)
        all = device.ReadSectors(bytes.data() + s * g, s, std::min(step, n - s)) && all;
    if (ok) *ok = all;
    return bytes;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace dtest
