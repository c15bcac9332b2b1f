// fuzz-target: salvix_ntfs
// One NTFS FILE record through every reader of it: header, fix-ups and attribute checks, each attribute's
// accessors, data runs, the scan's candidates, the volume label, the attribute list and the found-file
// properties. Extension records are read from a device holding the input itself.
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsScanFindings.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "fuzz/common/FuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

uint64_t TouchAttribute(const CNTFSAttributeHeader& a)
{
    uint64_t sum = 0;
    // Each value is widened on its own: adding signed fields first could overflow.
    for (uint64_t v : {uint64_t(a.GetType()),
                       uint64_t(a.GetLength()),
                       uint64_t(a.GetFlags()),
                       uint64_t(a.GetNameLength()),
                       uint64_t(a.GetName().size()),
                       uint64_t(a.GetValue().size()),
                       uint64_t(a.GetMappingPairs().size()),
                       uint64_t(a.GetStartVcn()),
                       uint64_t(a.GetLastVcn()),
                       uint64_t(a.GetAllocatedSize()),
                       uint64_t(a.GetDataSize()),
                       uint64_t(a.GetInitializedSize()),
                       uint64_t(a.HasSITimes()),
                       uint64_t(a.GetSICreationTime()),
                       uint64_t(a.GetSIFileAttributes()),
                       uint64_t(a.GetFNParentReference()),
                       uint64_t(a.GetFNRealSize()),
                       uint64_t(a.GetFNFlags()),
                       uint64_t(a.GetFNNamespace()),
                       uint64_t(a.GetFNName().size()),
                       uint64_t(a.IsCompressed()),
                       uint64_t(a.IsEncrypted())})
        sum += v;
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536) return -1;
    std::vector<uint8_t> r(data, data + size);
    volatile uint64_t sink = IsFileRecordHeader(r) + CheckFixups(r);
    sink = sink + ValidateFileRecord(r);
    if (size != 0 && std::memcmp(r.data(), data, size) != 0) __builtin_trap(); // validation leaves the buffer
    for (uint32_t type : {0x10u, 0x20u, 0x30u, 0x60u, 0x80u, 0x90u, 0xA0u, 0x100u}) {
        sink = sink + CountAttributes(r, type);
        for (int n = 0; n < 3; ++n) sink = sink + TouchAttribute(FindAttribute(r, type, n));
    }
    sink = sink + IsFolderWithIndexAllocation(r) + IsMftRecord(std::span<const uint8_t>(r));
    sink = sink + uint64_t(NtfsIndexRootCommonParentRef(FindAttribute(r, 0x90)));

    fuzz::FuzzDevice device(r, 512, 64);
    {
        CNTFSFileRecord view(r, false);
        sink = sink + uint64_t(GetSystemFileNumber(view)) + IsSystemMetafile(view) + view.HasRecordNumber();
        for (bool check : {false, true}) {
            CNTFSRunList runs;
            uint64_t dataSize = 0;
            sink = sink + CollectDataRuns(view.Record(), runs, check, &dataSize) + runs.size();
        }
        uint8_t spc = 0;
        sink = sink + DeriveSectorsPerCluster(view.Record(), 512, spc);
        sink = sink + bool(NewMftCandidate(view, 100, 512)) + bool(NewMftMirrCandidate(view, 100, 512));
        CNTFSBitmapCandidate bitmap;
        sink = sink + bitmap.Fill(view, 100);
    }
    if (size != 0 && std::memcmp(r.data(), data, size) != 0) __builtin_trap(); // a view restores the buffer
    CNTFSFolderCandidate folder;
    sink = sink + folder.Fill(r, 100, 512);
    std::string label;
    sink = sink + GetVolumeLabel(r, label) + label.size();
    sink = sink + ReadAttributeList(r, 0, 1, &device).size();

    std::vector<CNTFSExtensionEntry> extensions;
    CNTFSFileRecordGroup group(r, 0, &device, &extensions);
    int64_t parent = -1;
    auto properties = BuildNTFSFileProperties(group, 0, 4096, &parent);
    if (properties) {
        std::unique_ptr<IDataRunList> list(properties->GetDataRunList());
        sink = sink + properties->GetSize() + (list ? list->GetRunCount() : 0);
    }
    (void)sink;
    return 0;
}
