// Reads the bytes of a candidate file by offset from its start sector, one block of 128 sectors (plus one
// sector of overlap) at a time, so that walks over a file read each block of the device once.
#pragma once

#include "core/bytes/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class IStorageDevice;

// Each reader owns its buffer (up to 129 sectors of the device's sector size), so several readers, scans and tests
// may run side by side. One thread at a time per reader.
class RawSectorReader {
public:
    static constexpr uint32_t kBlockSectors = 128;
    // Sector sizes beyond this are refused (every read fails).
    static constexpr int32_t kMaxSectorSize = 65536;

    // Binds the reader to the device (not owned) and the file's first sector; nothing is read yet.
    RawSectorReader(IStorageDevice* device, uint64_t startSector);
    ~RawSectorReader();
    RawSectorReader(const RawSectorReader&) = delete;
    RawSectorReader& operator=(const RawSectorReader&) = delete;

    // The bytes valid from offset (counted from the start sector) to the end of the loaded block plus its one
    // extra sector, or to the device's end: at least one whole sector except at the device's end. Empty when the
    // offset lies past the device's end or the read failed. Valid until the next call on this reader.
    std::span<const uint8_t> GetSpan(uint64_t offset);
    // The same bytes through the byte layer.
    bytes::ByteReader GetReader(uint64_t offset) { return bytes::ByteReader(GetSpan(offset)); }
    // Pointer to the byte at offset, or null (see GetSpan for how many bytes are valid behind it).
    const uint8_t* GetPointer(uint64_t offset);
    // Copies count bytes from offset, across blocks; false (out zero-filled from the first missing byte) when
    // any of them cannot be read.
    bool Read(uint64_t offset, void* out, size_t count);

    // Bytes from the start sector to the device's end; UINT64_MAX when the device does not know its size.
    uint64_t GetBytesToDeviceEnd() const { return m_bytesToEnd; }
    uint32_t GetSectorSize() const { return m_sectorSize; }
    uint64_t GetBlockSize() const { return uint64_t(m_sectorSize) * kBlockSectors; }
    // Device reads so far (for tests and benchmarks).
    uint64_t GetReadCount() const { return m_reads; }

private:
    bool Load(uint64_t block);

    IStorageDevice* m_device;
    uint64_t m_startSector;
    uint64_t m_sectorCount = 0; // 0: unknown
    uint64_t m_bytesToEnd = UINT64_MAX;
    uint32_t m_sectorSize = 512;
    bool m_usable = true;
    uint64_t m_currentBlock = UINT64_MAX;
    size_t m_validBytes = 0;
    size_t m_capacity = 0;
    uint64_t m_reads = 0;
    std::unique_ptr<uint8_t[]> m_buffer;
};

// The sector count of the device an analyser reads: for the scan's ring of recent blocks, that of the device
// behind it (the ring itself counts only the sectors it holds); 0 when unknown.
uint64_t GetRawDeviceSectorCount(IStorageDevice* device);
