// A ring of the most recent chunks read by the signature search, so that a file that began in an earlier
// chunk can be measured without reading the disk again. Requests outside the ring go to the source device.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <memory>
#include <vector>

// Does not own the source. One thread at a time.
class CBufferStorageDevice : public IStorageDevice {
public:
    CBufferStorageDevice() = default;
    ~CBufferStorageDevice() override { Close(); }
    CBufferStorageDevice(const CBufferStorageDevice&) = delete;
    CBufferStorageDevice& operator=(const CBufferStorageDevice&) = delete;

    // Starts an empty ring of chunkCount chunks of chunkSectors sectors; the chunks pushed next are the
    // consecutive chunks from windowStart on. False (and detached) for a zero size or a ring too large to make.
    bool Attach(IStorageDevice* source, uint64_t windowStart, int32_t sectorSize, uint32_t chunkSectors,
                uint32_t chunkCount);
    // Copies one chunk (chunkSectors x sector size bytes) into the ring; once the ring is full the oldest
    // chunk is overwritten and the window moves on by one chunk.
    void PushChunk(const void* data);
    // Copies the chunk that begins at that device sector. A chunk that does not follow the held sectors (a block
    // skipped or not read) empties the ring first and starts its window there, so the window always names the
    // sectors it holds.
    void PushChunkAt(uint64_t firstSector, const void* data);
    // The slot the chunk that begins at that device sector is to be written into (chunkSectors x sector size
    // bytes), so that it can be read there directly; null when detached. A chunk that does not follow the held
    // sectors empties the ring first, as PushChunkAt does; in a full ring the oldest chunk leaves the window
    // now. The window takes the chunk in with CommitChunkSlot; without it (the read failed) the slot stays out.
    uint8_t* TakeChunkSlot(uint64_t firstSector);
    void CommitChunkSlot();
    // Takes in the chunk that begins at that device sector without copying it: the ring keeps the share (whose
    // memory holds chunkSectors sectors and stays unchanged while shared) until the chunk leaves. Otherwise
    // as PushChunkAt.
    void PushSharedChunkAt(uint64_t firstSector, std::shared_ptr<const uint8_t> chunk);
    bool IsFull() const { return m_attached && m_filled == m_ringSectors; }
    uint64_t GetWindowStart() const { return m_windowStart; }
    uint64_t GetFilledCount() const { return m_filled; }
    bool IsAttached() const { return m_attached; }
    // The device behind the ring (not owned); null before Attach.
    IStorageDevice* GetSource() const { return m_source; }

    // Served from the ring when wholly inside the held sectors; otherwise passed to the source unchanged.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    // The source's sector count, so that end-of-device checks made through the ring are those of the device;
    // the sectors held without a source.
    uint64_t GetSectorCount() override { return m_source ? m_source->GetSectorCount() : m_filled; }
    int32_t GetSectorSize() override { return m_sectorSize > 0 ? m_sectorSize : 512; }
    bool Open() override { return true; }
    // Frees the ring and detaches.
    bool Close() override;

private:
    // Anonymous memory (zero until written), asked for huge pages: a ring of 80 MiB then costs a few dozen page
    // faults instead of twenty thousand.
    uint8_t* m_ring = nullptr;
    // Per chunk slot: the shared chunk that stands in for the slot's own memory, or null.
    std::vector<std::shared_ptr<const uint8_t>> m_shared;
    size_t m_ringBytes = 0;
    uint64_t m_windowStart = 0;
    uint64_t m_filled = 0;
    uint32_t m_writePosition = 0;
    uint32_t m_chunkSectors = 0;
    uint32_t m_chunkCount = 0;
    uint32_t m_ringSectors = 0;
    bool m_attached = false;
    bool m_slotTaken = false;
    IStorageDevice* m_source = nullptr;
};
