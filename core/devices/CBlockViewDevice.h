// One reader's view of a scan's current block: reads that start inside the block are served from its bytes,
// all others go to the source. A scanner that runs ahead of the read-ahead's current block on a thread of
// its own reads through its own view, set to the block it is on, exactly as it would read through the
// read-ahead cache with that block current.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <cstdint>
#include <memory>
#include <span>

// Does not own the source, which must allow reads from several threads at once and outlive the view. One
// thread at a time; the block's bytes stay valid while the view holds its share.
class CBlockViewDevice : public IStorageDevice {
public:
    explicit CBlockViewDevice(IStorageDevice* source) : m_source(source) {}

    // The block of count sectors from first, its bytes kept by share; without bytes every read goes to the
    // source.
    void SetBlock(uint64_t first, uint64_t count, std::span<const uint8_t> bytes, std::shared_ptr<const uint8_t> share);
    void ClearBlock() { SetBlock(0, 0, {}, nullptr); }

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_source ? m_source->GetSectorCount() : 0; }
    int32_t GetSectorSize() override { return m_source ? m_source->GetSectorSize() : 512; }
    bool Open() override { return m_source != nullptr; }
    bool Close() override { return m_source != nullptr; }

private:
    IStorageDevice* m_source;
    uint64_t m_first = 0;
    uint64_t m_count = 0;
    std::span<const uint8_t> m_bytes;
    std::shared_ptr<const uint8_t> m_share;
};
