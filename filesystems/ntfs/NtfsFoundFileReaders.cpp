// Resident data and the $EFS stream of a found NTFS file, read from its record group.
#include "filesystems/ntfs/NtfsFoundFileReaders.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/tree/CFileNode.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxDataAttributes = 4096;

// The record group of a found file (not a folder, NTFS properties), or null.
std::unique_ptr<CNTFSFileRecordGroup> OpenGroup(CFileNode* node, IStorageDevice* device, std::vector<uint8_t>& buffer)
{
    if (!node || !device || node->IsFileSystemNode()) return nullptr;
    IFileProperties* p = node->GetProperties();
    if (!p || (p->GetAttributes() & ntfs::kFileAttrDirectory) || p->GetPropertiesType() != kPropertiesNTFS)
        return nullptr;
    auto* properties = dynamic_cast<CNTFSFileProperties*>(p);
    if (!properties) return nullptr;
    if (!ReadFileRecordAt(device, properties->GetRecordSector(), buffer)) return nullptr;
    auto group = std::make_unique<CNTFSFileRecordGroup>(buffer, properties->GetRecordSector(), device,
                                                        &properties->GetExtensionRecords());
    if (!group->HasRecord()) return nullptr;
    return group;
}

bool CopyResident(const CNTFSAttributeHeader& a, uint64_t* length, void* buffer, size_t bufferSize)
{
    const auto value = a.GetValue();
    if (value.size() != a.GetValueLength() || value.size() > bufferSize) return false;
    if (!value.empty()) std::memcpy(buffer, value.data(), value.size());
    if (length) *length = value.size();
    return true;
}

} // namespace

bool NtfsReadResidentFileData(CFileNode* node, IStorageDevice* device, uint64_t* length, void* buffer,
                              size_t bufferSize)
{
    if (!buffer) return false;
    std::vector<uint8_t> record;
    auto group = OpenGroup(node, device, record);
    if (!group) return false;
    for (int n = 0; n < kMaxDataAttributes; ++n) {
        const auto data = group->FindAttribute(ntfs::kAttrData, n);
        if (!data) return false;
        if (data.attribute.IsNamed()) continue;
        if (data.attribute.IsNonResident()) return false;
        return CopyResident(data.attribute, length, buffer, bufferSize);
    }
    return false;
}

bool NtfsReadLoggedUtilityStream(CFileNode* node, IStorageDevice* device, uint64_t* length, void* buffer,
                                 size_t bufferSize)
{
    if (!buffer || bufferSize < 8) return false;
    std::vector<uint8_t> record;
    auto group = OpenGroup(node, device, record);
    if (!group) return false;
    const auto found = group->FindAttribute(ntfs::kAttrLoggedUtilityStream, 0);
    if (!found) return false;
    const CNTFSAttributeHeader& a = found.attribute;
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t expected = 0;
    if (!a.IsNonResident()) {
        std::memset(out, 0, bufferSize);
        if (!CopyResident(a, length, buffer, bufferSize)) return false;
        expected = a.GetValueLength();
    } else {
        uint64_t firstSector = 0;
        int32_t sectorsPerCluster = 0;
        node->GetClusterGeometry(firstSector, sectorsPerCluster);
        const int32_t sectorSize = device->GetSectorSize();
        if (sectorsPerCluster <= 0 || sectorSize <= 0) return false;
        std::memset(out, 0, bufferSize);
        CNTFSRunList runs;
        DecodeRunList(a.GetMappingPairs(), runs);
        const uint64_t spc = uint64_t(sectorsPerCluster);
        uint64_t bytesDone = 0;
        for (const CNTFSRun& run : runs.Runs()) {
            const uint64_t maxSectors = (bufferSize - bytesDone) / uint64_t(sectorSize);
            if (run.length > maxSectors / spc) break;
            const uint64_t count = run.length * spc;
            // A hole reads as zeros; it is never turned into a sector.
            const uint64_t lcn = static_cast<uint64_t>(run.lcn);
            if (!run.IsSparse() && count > 0 && lcn <= (UINT64_MAX - firstSector) / spc)
                device->ReadSectors(out + bytesDone, lcn * spc + firstSector, count);
            bytesDone += count * uint64_t(sectorSize);
        }
        const uint64_t initialized = a.GetInitializedSize();
        if (length) *length = initialized < bufferSize ? initialized : bufferSize;
        expected = a.GetDataSize();
    }
    return bytes::ByteReader(std::span<const uint8_t>(out, 8)).u64le(0) == expected;
}
