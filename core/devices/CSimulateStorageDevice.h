// A view of a device with sectors larger than 512 bytes as a device of 512-byte sectors (for readers of
// structures laid out in 512-byte sectors). Keeps the last inner sector read, so runs cost one read each.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <vector>

// Does not own the inner device, which must outlive it. One thread at a time.
// An inner device whose sector size is not a positive multiple of 512 cannot be viewed this way: the view
// then has no sectors and every read fails with a zeroed buffer. The inner sector size is taken at the first
// use at which it is known.
class CSimulateStorageDevice : public IStorageDevice {
public:
    explicit CSimulateStorageDevice(IStorageDevice* inner);
    ~CSimulateStorageDevice() override;

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }
    IStorageDevice* GetSourceDevice() override { return m_inner; }

    // 512-byte sectors per inner sector; 0 when the inner device cannot be viewed.
    int32_t GetRatio() const { return m_ratio; }

private:
    bool Prepare();
    bool FillBuffer(uint64_t innerSector);

    std::vector<uint8_t> m_buffer;
    IStorageDevice* m_inner;
    int32_t m_ratio = 1;
    uint64_t m_cacheTag = 0; // inner sector held in m_buffer, plus 1; 0 = empty
};
