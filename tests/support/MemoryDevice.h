// An in-memory sector device for tests: any sector size, reads that fail at chosen sectors, and a record of
// every read so that tests can count how often (and where) the device was reached.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

namespace testsupport {

// Safe to read from several threads at once (the read-ahead cache tests do).
class MemoryDevice : public IStorageDevice {
public:
    struct Read {
        uint64_t first;
        uint64_t count;
        bool operator==(const Read&) const = default;
    };

    // sectorCount zeroed sectors of sectorSize bytes.
    explicit MemoryDevice(uint64_t sectorCount, int32_t sectorSize = 512);
    // The given bytes; a partial last sector is padded with zeros.
    explicit MemoryDevice(std::vector<uint8_t> bytes, int32_t sectorSize = 512);

    // Fills count sectors: the sectors before the first failing or missing one are copied, the rest of the
    // buffer is zeroed and false returned. A closed device fails with a zeroed buffer.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override { return m_sectorSize; }
    bool Open() override;
    bool Close() override;

    // Contents, for building fixtures in place.
    std::vector<uint8_t>& Bytes() { return m_bytes; }
    uint8_t* Sector(uint64_t n) { return m_bytes.data() + n * static_cast<uint64_t>(m_sectorSize); }
    void Write(uint64_t byteOffset, const void* data, size_t size);
    // Fills every sector with a pattern that names it: byte i of sector n is (n * 7 + i) & 0xFF.
    void FillWithPattern();
    static uint8_t PatternByte(uint64_t sector, uint64_t byteInSector) { return (sector * 7 + byteInSector) & 0xFF; }

    // Reads that touch one of these sectors fail.
    void FailSector(uint64_t sector);
    void FailSectors(uint64_t first, uint64_t count);
    void ClearFailures();

    // Called at the start of every read, outside the device's lock (e.g. to block or slow a reader).
    void SetReadHook(std::function<void(uint64_t first, uint64_t count)> hook);

    // ReadSectors calls since construction or ResetCounters, and the requests themselves in order.
    uint64_t ReadCount() const;
    std::vector<Read> Reads() const;
    void ResetCounters();

private:
    std::vector<uint8_t> m_bytes;
    uint64_t m_sectorCount;
    bool m_open = true;
    std::set<uint64_t> m_failing;
    std::function<void(uint64_t, uint64_t)> m_hook;
    std::vector<Read> m_reads;
    mutable std::mutex m_lock;
};

} // namespace testsupport
