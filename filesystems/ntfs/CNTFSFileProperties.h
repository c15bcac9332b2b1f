// Properties of a file or folder found on NTFS: name, size, attributes, times, deleted state, the sector of
// its FILE record, its $DATA runs kept packed, and the extension records of that FILE record.
#pragma once

#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/tree/CFoundFileProperties.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Not safe to share between threads (a tree is used by one thread at a time).
class CNTFSFileProperties : public CFoundFileProperties {
public:
    // Bound on the extension-record count of a stored form (a damaged count throws code 2).
    static constexpr uint64_t kMaxStoredExtensions = 1u << 16;

    CNTFSFileProperties() = default;

    int GetNameLength() const override { return m_nameLength; }
    // Copies the text; the stored length then counts the terminating zero. Null leaves the name as it was.
    void SetName(const char* name) override;
    // Name length (2) and the name bytes, size (8), attributes (2), three times (8 each), state (1), record
    // sector (8), 4 bytes 1 and the packed runs or 4 bytes 0, the extension count (8) and per entry its
    // sector (8) and reference (8). Check state and user flag are not stored.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesNTFS; }
    int Read(IRSData* stream) override;

    uint64_t GetRecordSector() const { return m_recordSector; }
    const std::vector<CNTFSExtensionEntry>& GetExtensionRecords() const { return m_extensions; }
    void SetExtensionRecords(std::vector<CNTFSExtensionEntry> entries) { m_extensions = std::move(entries); }

    // For the builders: the name as converted, whose length does not count a terminator.
    void SetBuiltName(std::string name);
    void SetRecordSector(uint64_t sector) { m_recordSector = sector; }

private:
    uint16_t m_nameLength = 0;
    uint64_t m_recordSector = 0;
    std::vector<CNTFSExtensionEntry> m_extensions;
};

// Empty properties ready for Read; the caller owns them.
CNTFSFileProperties* NewNTFSFileProperties();
