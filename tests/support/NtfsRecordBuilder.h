// Test helpers that build NTFS structures byte by byte: boot sectors, FILE records with attributes and
// update-sequence protection, attribute values, mapping pairs and INDX index records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

void PutLe(Bytes& b, size_t offset, uint64_t value, unsigned width);
uint64_t GetLe(const Bytes& b, size_t offset, unsigned width);

// A valid boot sector: 512-byte sectors, 8 sectors per cluster, 1024-byte records, 4096-byte index records.
Bytes MakeNtfsBootSector(uint16_t bytesPerSector = 512, uint8_t sectorsPerCluster = 8, int8_t clustersPerRecord = -10,
                         uint64_t totalSectors = 16384, uint64_t mftCluster = 4, uint64_t mftMirrCluster = 1024,
                         uint64_t serial = 0x1122334455667788ull);

// A run for the mapping-pair encoder: lcn -1 is sparse.
struct NtfsTestRun {
    int64_t lcn;
    uint64_t length;
};
// Mapping pairs with the smallest field widths, ended by a zero byte.
Bytes NtfsPackRuns(const std::vector<NtfsTestRun>& runs);

struct NtfsTimes {
    uint64_t creation = 0x01D0000000000001ull;
    uint64_t modification = 0x01D0000000000002ull;
    uint64_t mftChange = 0x01D0000000000003ull;
    uint64_t access = 0x01D0000000000004ull;
};

// The 72-byte value of $STANDARD_INFORMATION.
Bytes NtfsStandardInformationValue(uint32_t fileAttributes, const NtfsTimes& times = {});
// The value of $FILE_NAME.
Bytes NtfsFileNameValue(uint64_t parentReference, const std::u16string& name, uint8_t nameSpace = 1, uint32_t flags = 0,
                        uint64_t realSize = 0, const NtfsTimes& times = {});
// One $ATTRIBUTE_LIST entry naming an attribute of a type held in a record.
Bytes NtfsAttributeListEntry(uint32_t type, uint64_t recordReference, uint64_t startVcn = 0, uint16_t id = 0);

class NtfsRecordBuilder {
public:
    explicit NtfsRecordBuilder(uint32_t recordSize = 1024);

    NtfsRecordBuilder& Flags(uint16_t flags);         // default 1 (in use)
    NtfsRecordBuilder& RecordNumber(uint32_t number); // stored at 0x2C with 0x2A zero
    NtfsRecordBuilder& BaseReference(uint64_t reference);
    NtfsRecordBuilder& Lsn(uint64_t lsn);
    NtfsRecordBuilder& UpdateSequenceNumber(uint16_t usn); // default 0x0042
    // Where the first attribute goes (default: after the update-sequence array, 8-aligned).
    NtfsRecordBuilder& FirstAttributeOffset(uint16_t offset);

    NtfsRecordBuilder& AddResident(uint32_t type, const Bytes& value, const std::u16string& name = u"",
                                   uint16_t flags = 0);
    NtfsRecordBuilder& AddNonResident(uint32_t type, const Bytes& pairs, uint64_t startVcn, uint64_t lastVcn,
                                      uint64_t allocatedSize, uint64_t dataSize, uint64_t initializedSize,
                                      const std::u16string& name = u"", uint16_t flags = 0);
    NtfsRecordBuilder& AddStandardInformation(uint32_t fileAttributes, const NtfsTimes& times = {});
    NtfsRecordBuilder& AddFileName(uint64_t parent, const std::u16string& name, uint8_t nameSpace = 1,
                                   uint32_t flags = 0, uint64_t realSize = 0, const NtfsTimes& times = {});
    // Attribute bytes as given (length field and all), for damaged layouts.
    NtfsRecordBuilder& AddRaw(const Bytes& attribute);

    // Offset in the record of the i-th attribute added.
    size_t AttributeOffset(size_t i) const { return m_offsets.at(i); }

    // The record as it lies on disk, update-sequence protection applied.
    Bytes Build() const;
    // The record after fix-ups, as the readers see it.
    Bytes BuildPlain() const;

private:
    uint32_t m_size;
    uint16_t m_flags = 1;
    uint32_t m_recordNumber = 0;
    uint64_t m_base = 0;
    uint64_t m_lsn = 0x1000;
    uint16_t m_usn = 0x0042;
    uint16_t m_firstAttribute;
    std::vector<Bytes> m_attributes;
    mutable std::vector<size_t> m_offsets;
};

// Writes the update-sequence protection into a plain record or index block in place (offset and count as
// found in its header): each unit's last two bytes go to the array and the sequence number takes their place.
void NtfsProtect(Bytes& block, uint16_t usn);

// One file-name index entry; a last entry (flags 2) has no key.
Bytes NtfsIndexEntry(uint64_t fileReference, uint64_t parentReference, const std::u16string& name, uint16_t flags = 0,
                     uint64_t allocatedSize = 4096, uint64_t realSize = 100);
Bytes NtfsIndexEnd();

// An INDX record of recordSize bytes (entries offset 0x28) holding the entries, protected.
Bytes NtfsIndxRecord(const std::vector<Bytes>& entries, uint32_t recordSize = 4096, uint64_t vcn = 0,
                     uint64_t lsn = 0x2000, uint16_t usn = 0x0033);
// The value of a resident $INDEX_ROOT holding the entries (file-name index, entries offset 16).
Bytes NtfsIndexRootValue(const std::vector<Bytes>& entries);

} // namespace testsupport
