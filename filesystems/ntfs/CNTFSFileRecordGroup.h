// A base FILE record together with its extension records: the attributes of a file whose record spread
// over several records through an attribute list, counted across all of them.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"
#include "filesystems/ntfs/CNTFSExtensionRecord.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CNTFSFileRecord;
class IStorageDevice;

class CNTFSFileRecordGroup {
public:
    // One attribute found across the group, with the record that holds it.
    struct Found {
        CNTFSAttributeHeader attribute; // empty when none
        size_t offset = 0;              // byte offset of the attribute in its record
        uint64_t recordSector = 0;      // sector of that record (the base record's for the base record)
        explicit operator bool() const { return bool(attribute); }
    };

    // Keeps a fixed-up copy of the buffer when it passes ValidateFileRecord, and one lazily read extension
    // record per entry of the list (which may be null). The device is not owned and must outlive the group.
    CNTFSFileRecordGroup(std::span<const uint8_t> buffer, uint64_t recordSector, IStorageDevice* device,
                         const std::vector<CNTFSExtensionEntry>* extensions);
    // The same over a view of the record (in place or not), whose validation and fix-ups are taken as they are;
    // the group reads the view's bytes, so the view must outlive it.
    CNTFSFileRecordGroup(const CNTFSFileRecord& view, uint64_t recordSector, IStorageDevice* device,
                         const std::vector<CNTFSExtensionEntry>* extensions);

    CNTFSFileRecordGroup(const CNTFSFileRecordGroup&) = delete;
    CNTFSFileRecordGroup& operator=(const CNTFSFileRecordGroup&) = delete;

    bool HasRecord() const { return !m_record.empty(); }
    bool IsInUse() const;
    // The fixed-up base record; empty when the group holds none.
    std::span<const uint8_t> GetBaseRecord() const { return m_record; }
    uint64_t GetRecordSector() const { return m_recordSector; }

    // The n-th attribute of the type, counted in the base record first, then in each valid extension record
    // in list order. Views stay valid while the group lives.
    Found FindAttribute(uint32_t type, int n = 0);

private:
    void AddExtensions(IStorageDevice* device, const std::vector<CNTFSExtensionEntry>* extensions);

    std::vector<uint8_t> m_copy;       // the record when the group keeps its own
    std::span<const uint8_t> m_record; // the fixed-up base record
    AttributeIndex m_index;            // of the base record
    uint64_t m_recordSector;
    std::vector<std::unique_ptr<CNTFSExtensionRecord>> m_extensions;
};
