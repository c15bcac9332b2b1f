// A view of one FILE record made on the stack around a caller's buffer: it validates the record, applies
// the update-sequence fix-ups (in place, or on a private copy) and undoes them when it goes out of scope.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"
#include "filesystems/ntfs/NtfsFileRecord.h"

#include <cstdint>
#include <span>
#include <vector>

class CNTFSFileRecord {
public:
    // In place (copy false: the buffer is fixed up while the view lives and restored afterwards) or on a
    // private copy. The view holds no record when ValidateFileRecord fails.
    CNTFSFileRecord(std::span<uint8_t> buffer, bool copy);
    // Always on a private copy; for buffers the caller cannot lend.
    explicit CNTFSFileRecord(std::span<const uint8_t> buffer);
    ~CNTFSFileRecord();

    CNTFSFileRecord(const CNTFSFileRecord&) = delete;
    CNTFSFileRecord& operator=(const CNTFSFileRecord&) = delete;

    bool IsValid() const { return !m_record.empty(); }
    // The fixed-up record; empty when the view holds none.
    std::span<const uint8_t> Record() const { return m_record; }
    bool FixupsApplied() const { return m_fixedUp; }

    CNTFSAttributeHeader FindAttribute(uint32_t type, int n = 0) const;
    // Where the record's attributes lie (made at the first lookup); empty when the view holds no record.
    const AttributeIndex& GetAttributeIndex() const;
    int CountAttributes(uint32_t type) const;

    uint16_t GetFlags() const;
    bool IsInUse() const;
    bool IsDirectory() const;
    bool IsExtension() const;
    uint64_t GetBaseReference() const; // 48-bit record number of the base record
    // Update-sequence offset at least 48 and the u16 at 0x2A zero.
    bool HasRecordNumber() const;
    uint32_t GetRecordNumber() const;
    uint64_t GetLogSequenceNumber() const;
    uint32_t GetUsedSize() const;
    uint32_t GetAllocatedSize() const;

private:
    void Attach(std::span<uint8_t> bytes);

    std::vector<uint8_t> m_copy;
    std::span<uint8_t> m_record;
    bool m_fixedUp = false;
    // Made at the first lookup: a view is mostly asked for several attributes.
    mutable AttributeIndex m_index;
    mutable bool m_indexed = false;
};
