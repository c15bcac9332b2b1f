// The abstract sector device: every reader of storage (partition tables, file-system scanners, RAW search,
// saving, disk imaging) reads whole sectors through this interface.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

class CSimulateStorageDevice;

// Ownership: whoever creates a device deletes it. A wrapping device never owns the device it wraps; the one
// exception is the 512-byte view handed out by GetAs512SectorDevice, which the viewed device owns.
// Thread safety: only where a kind says so (the disk device serialises its reads); otherwise one thread at a time.
class IStorageDevice {
public:
    IStorageDevice();
    virtual ~IStorageDevice();

    IStorageDevice(const IStorageDevice&) = delete;
    IStorageDevice& operator=(const IStorageDevice&) = delete;

    // Reads sectorCount whole sectors of GetSectorSize() bytes each, starting at firstSector, into buffer
    // (which holds at least sectorCount * GetSectorSize() bytes). On failure every byte that was not read is
    // zero, so a caller that writes the buffer as it stands never writes stale data.
    virtual bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) = 0;
    // Number of sectors; 0 when the device is not open or its size is unknown.
    virtual uint64_t GetSectorCount() = 0;
    // Bytes per sector; 0 when unknown.
    virtual int32_t GetSectorSize() = 0;
    virtual bool Open() = 0;
    virtual bool Close() = 0;
    // The wrapped device of a 512-byte view; null for every other kind.
    virtual IStorageDevice* GetSourceDevice() { return nullptr; }

    // This device when its sector size is 512, otherwise a 512-byte-sector view of it, made on the first call
    // and owned by this device. Never null.
    IStorageDevice* GetAs512SectorDevice();

protected:
    // Sector size of the kinds that cache it; 0 until known.
    int32_t m_sectorSize = 0;

private:
    std::mutex m_viewLock;
    std::unique_ptr<CSimulateStorageDevice> m_view512;
};
