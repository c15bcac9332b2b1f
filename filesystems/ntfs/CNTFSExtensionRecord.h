// One extension record of a record group, read from its sector on first use.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class IStorageDevice;

class CNTFSExtensionRecord {
public:
    // The device is not owned. A negative sector means the record could not be located.
    CNTFSExtensionRecord(IStorageDevice* device, int64_t sector, uint64_t reference)
        : m_device(device), m_sector(sector), m_reference(reference)
    {
    }

    // The fixed-up record, or empty when it has no sector, cannot be read or is not a valid FILE record.
    // Loaded on the first call only.
    std::span<const uint8_t> GetRecord();
    int64_t GetSector() const { return m_sector; }
    uint64_t GetReference() const { return m_reference; }

private:
    void Load();

    IStorageDevice* m_device;
    int64_t m_sector;
    uint64_t m_reference;
    std::vector<uint8_t> m_buffer;
    bool m_loaded = false;
    bool m_valid = false;
};
