// Mapping-pair decoding, $DATA run gathering and non-resident reads.
#include "filesystems/ntfs/NtfsMappingPairs.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/tree/MappingPairs.h"

#include <cmath>
#include <cstring>
#include <vector>

bool IsValidRunList(std::span<const uint8_t> pairs)
{
    size_t pos = 0;
    while (pos < pairs.size()) {
        const uint8_t header = pairs[pos];
        if (header == 0) return true;
        const unsigned lengthBytes = header & 0x0F;
        const unsigned offsetBytes = header >> 4;
        if (lengthBytes > 4 || offsetBytes > 4) return false;
        pos += 1 + lengthBytes + offsetBytes;
    }
    return false;
}

size_t DecodeRunList(std::span<const uint8_t> pairs, CNTFSRunList& list)
{
    // The pair format itself is decoded by the found-file tree's decoder; here the runs gain their VCNs.
    std::vector<DataRun> runs;
    DecodeMappingPairs(pairs.data(), pairs.size(), runs);
    uint64_t vcn = 0;
    for (const DataRun& r : runs) {
        list.Append({r.IsSparse() ? -1 : r.firstCluster, vcn, r.length});
        vcn += r.length;
    }
    return runs.size();
}

uint32_t GetMappingPairsLength(std::span<const uint8_t> pairs)
{
    std::vector<DataRun> runs;
    DecodeMappingPairs(pairs.data(), pairs.size(), runs);
    uint32_t total = 0;
    for (const DataRun& r : runs) total += static_cast<uint32_t>(r.length);
    return total;
}

std::optional<uint64_t> AppendAttributeRuns(const CNTFSAttributeHeader& attribute, CNTFSRunList& list,
                                            uint64_t* dataSize)
{
    if (!attribute || attribute.IsNamed() || !attribute.IsNonResident()) return std::nullopt;
    if (!IsValidAttributeHeader(attribute.Bytes())) return std::nullopt;
    const uint64_t firstVcn = attribute.GetStartVcn();
    const auto pairs = attribute.GetMappingPairs();
    uint64_t size = 0;
    if (!pairs.empty() && IsValidRunList(pairs)) {
        CNTFSRunList extent;
        DecodeRunList(pairs, extent);
        for (CNTFSRun run : extent.Runs()) {
            run.vcn += firstVcn;
            list.Append(run);
        }
        size = attribute.GetDataSize();
    }
    if (dataSize) *dataSize = size;
    return firstVcn;
}

bool CollectDataRuns(std::span<const uint8_t> record, CNTFSRunList& list, bool check, uint64_t* dataSize)
{
    // A record holds far fewer than this many attributes; the cap only guards the loop.
    for (int n = 0; n < 1024; ++n) {
        const CNTFSAttributeHeader a = FindAttribute(record, ntfs::kAttrData, n);
        if (!a) return true;
        if (a.GetLength() == 0) return false;
        if (a.IsNamed()) continue;
        if (!a.IsNonResident()) return false;
        if (check && !a.IsCompressed()) {
            const uint64_t expected = a.GetLastVcn() - a.GetStartVcn() + 1;
            if (GetMappingPairsLength(a.GetMappingPairs()) != expected) return false;
        }
        uint64_t size = 0;
        const auto firstVcn = AppendAttributeRuns(a, list, &size);
        if (firstVcn && *firstVcn == 0 && dataSize) *dataSize = size;
    }
    return true;
}

bool ReadNonResidentData(std::span<const uint8_t> pairs, std::span<uint8_t> buffer, uint64_t partitionStart,
                         uint32_t sectorsPerCluster, IStorageDevice* device)
{
    if (!device || sectorsPerCluster == 0) return false;
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0) return false;
    if (!buffer.empty()) std::memset(buffer.data(), 0, buffer.size());
    CNTFSRunList runs;
    DecodeRunList(pairs, runs);
    uint64_t bytesDone = 0;
    for (const CNTFSRun& run : runs.Runs()) {
        // Sizes in bytes, compared against what is left so that nothing wraps.
        const uint64_t maxSectors = (buffer.size() - bytesDone) / uint64_t(sectorSize);
        if (run.length > maxSectors / sectorsPerCluster) break;
        const uint64_t count = run.length * sectorsPerCluster;
        if (!run.IsSparse()) {
            // A cluster number whose sector would not fit in 64 bits is skipped; reads past the device fail there.
            const uint64_t lcn = static_cast<uint64_t>(run.lcn);
            if (count > 0 && lcn <= (~uint64_t(0) - partitionStart) / sectorsPerCluster)
                device->ReadSectors(buffer.data() + bytesDone, partitionStart + lcn * sectorsPerCluster, count);
        }
        bytesDone += count * uint64_t(sectorSize);
    }
    return true;
}

uint8_t SectorsPerClusterFromSize(uint64_t dataSize, uint64_t clusters, int sectorSize)
{
    if (clusters == 0 || sectorSize <= 0) return 0;
    const double q = std::ceil(double(dataSize) / double(clusters) / double(sectorSize));
    for (uint32_t p = 1; p <= 128; p <<= 1)
        if (q >= 1 && q <= p) return static_cast<uint8_t>(p);
    return 0;
}

bool DeriveSectorsPerCluster(std::span<const uint8_t> record, int sectorSize, uint8_t& sectorsPerCluster)
{
    constexpr uint64_t kNoSize = ~uint64_t(0);
    CNTFSRunList runs;
    uint64_t dataSize = kNoSize;
    if (!CollectDataRuns(record, runs, true, &dataSize) || dataSize == kNoSize) return false;
    sectorsPerCluster = SectorsPerClusterFromSize(dataSize, runs.GetRunListLength(), sectorSize);
    return true;
}

bool NtfsIsRecordIndexAt(uint64_t sector, uint64_t n, uint64_t partitionStart, uint32_t sectorsPerCluster)
{
    if (sectorsPerCluster == 0 || sector < partitionStart) return false;
    const uint64_t rel = sector - partitionStart;
    return rel % sectorsPerCluster == 0 && rel / sectorsPerCluster == n;
}
