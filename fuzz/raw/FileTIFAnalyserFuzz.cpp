// fuzz-target: salvix_raw
// The TIFF measurement over the input as a device; the size stays on the device.
#include "raw/FileTIFAnalyser.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/tree/CRawFileInfo.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The input as a device of 512-byte sectors (the last one padded with zeros).
class InputDevice : public IStorageDevice {
public:
    InputDevice(const uint8_t* data, size_t size) : m_bytes(data, data + size)
    {
        m_bytes.resize((size + 511) / 512 * 512);
    }
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        const uint64_t sectors = m_bytes.size() / 512;
        std::memset(buffer, 0, count * 512);
        if (first > sectors || count > sectors - first) return false;
        std::memcpy(buffer, m_bytes.data() + first * 512, count * 512);
        return true;
    }
    uint64_t GetSectorCount() override { return m_bytes.size() / 512; }
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1 << 20)) return -1;
    InputDevice device(data, size);
    uint8_t sector[512] = {};
    std::memcpy(sector, data, std::min(size, sizeof sector));
    FileTIFAnalyser analyser;
    CRawFileInfo hit;
    analyser.IsMatch(sector, &hit);
    hit.SetSize(0);
    analyser.Analyse(&hit, &device);
    if (hit.GetSize() > device.GetSectorCount() * 512) __builtin_trap();
    return 0;
}
