// $ATTRIBUTE_LIST reading and record-number to sector mapping.
#include "filesystems/ntfs/NtfsAttributeList.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"

#include <algorithm>

namespace {

constexpr size_t kEntryMinLength = 24; // up to and including the file reference at +16

void WalkEntries(std::span<const uint8_t> value, std::vector<CNTFSExtensionEntry>& out)
{
    bytes::ByteReader r(value);
    size_t offset = 0;
    while (r.has(offset, kEntryMinLength)) {
        const uint32_t type = r.u32le(offset);
        const uint16_t length = r.u16le(offset + 4);
        if (type == 0 || length < kEntryMinLength) break;
        const uint64_t reference = r.u64le(offset + 16) & ntfs::kRecordNumberMask;
        const bool known =
            std::any_of(out.begin(), out.end(), [&](const CNTFSExtensionEntry& e) { return e.reference == reference; });
        if (!known) out.push_back({-1, reference});
        offset += length;
    }
}

} // namespace

std::vector<CNTFSExtensionEntry> ReadAttributeList(std::span<const uint8_t> record, uint64_t partitionStart,
                                                   uint32_t sectorsPerCluster, IStorageDevice* device)
{
    std::vector<CNTFSExtensionEntry> out;
    const CNTFSFileRecord view(record);
    if (!view.IsValid()) return out;
    const CNTFSAttributeHeader list = view.FindAttribute(ntfs::kAttrAttributeList);
    if (!list) return out;
    if (!list.IsNonResident()) {
        WalkEntries(list.GetValue(), out);
        return out;
    }
    const uint64_t initialized = list.GetInitializedSize();
    const uint64_t allocated = list.GetAllocatedSize();
    const auto pairs = list.GetMappingPairs();
    if (pairs.empty() || initialized == 0 || allocated < initialized) return out;
    // The sizes come from the disk: a damaged record must not decide how much memory is taken.
    if (allocated > kMaxAttributeListBytes) return out;
    std::vector<uint8_t> buffer(static_cast<size_t>(allocated), 0);
    ReadNonResidentData(pairs, buffer, partitionStart, sectorsPerCluster, device);
    WalkEntries(std::span<const uint8_t>(buffer).first(static_cast<size_t>(initialized)), out);
    return out;
}

int64_t MftRecordToSector(uint64_t recordNumber, uint32_t sectorsPerCluster, uint64_t partitionStart,
                          const CNTFSRunList& mftRuns, uint32_t sectorsPerRecord)
{
    if (sectorsPerCluster == 0 || sectorsPerRecord == 0 || recordNumber > ntfs::kRecordNumberMask) return -1;
    const uint64_t s = recordNumber * sectorsPerRecord;
    const int64_t lcn = mftRuns.VcnToLcn(s / sectorsPerCluster);
    if (lcn < 0) return -1;
    const uint64_t maxLcn = (uint64_t(INT64_MAX) - partitionStart - sectorsPerCluster) / sectorsPerCluster;
    if (static_cast<uint64_t>(lcn) > maxLcn) return -1;
    return static_cast<int64_t>(partitionStart + uint64_t(lcn) * sectorsPerCluster + s % sectorsPerCluster);
}

std::vector<CNTFSExtensionEntry> GetExtensionRecordSectors(std::span<const uint8_t> record, uint64_t recordSector,
                                                           uint32_t sectorsPerCluster, uint64_t partitionStart,
                                                           IStorageDevice* device, const CNTFSRunList& mftRuns,
                                                           uint32_t sectorsPerRecord)
{
    std::vector<CNTFSExtensionEntry> entries = ReadAttributeList(record, partitionStart, sectorsPerCluster, device);
    std::vector<CNTFSExtensionEntry> out;
    for (CNTFSExtensionEntry e : entries) {
        e.sector = MftRecordToSector(e.reference, sectorsPerCluster, partitionStart, mftRuns, sectorsPerRecord);
        if (e.sector >= 0 && uint64_t(e.sector) != recordSector) out.push_back(e);
    }
    return out;
}
