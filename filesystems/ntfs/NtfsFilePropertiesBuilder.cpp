// Properties of one found NTFS file from its record group.
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"

#include "core/CRecoverySettings.h"
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/MediaExtensionSet.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/ntfs/NtfsText.h"
#include "filesystems/tree/MappingPairs.h"
#include "filesystems/tree/PackedDataRun.h"

namespace {

// The group holds far fewer attributes of one type; the cap only guards the walk.
constexpr int kMaxDataAttributes = 4096;

bool PassesExtensionFilter(const std::string& name)
{
    return GetFileTypeFilter().IsFileNameWanted(name.c_str());
}

} // namespace

std::unique_ptr<PackedDataRun> PackNonResidentRuns(const CNTFSRunList& runs)
{
    // Packed straight from the runs, without a run list in between: a build packs one per file.
    if (runs.empty()) return nullptr;
    std::vector<DataRun> list;
    list.reserve(runs.Runs().size());
    for (const CNTFSRun& r : runs.Runs()) list.push_back({r.IsSparse() ? kSparseCluster : r.lcn, r.length});
    return PackedDataRun::FromBytes(EncodeMappingPairs(std::span<const DataRun>(list)));
}

std::unique_ptr<PackedDataRun> PackResidentRun(const CNTFSAttributeHeader& data, uint64_t recordSector,
                                               size_t attributeOffset)
{
    const DataRun run{int64_t(recordSector), 1};
    return PackedDataRun::FromBytes(EncodeMappingPairs(std::span<const DataRun>(&run, 1)),
                                    uint32_t(attributeOffset + data.GetValueOffset()));
}

std::unique_ptr<CNTFSFileProperties> BuildNTFSFileProperties(CNTFSFileRecordGroup& group, uint64_t recordSector,
                                                             uint32_t bytesPerCluster, int64_t* parent)
{
    if (!group.HasRecord()) return nullptr;

    // The Win32 name when a second name carries one, else the first (often the DOS or POSIX name).
    const auto f0 = group.FindAttribute(ntfs::kAttrFileName, 0);
    const auto f1 = group.FindAttribute(ntfs::kAttrFileName, 1);
    const bool useSecond = f1 && f1.attribute.GetFNNamespace() == ntfs::kNamespaceWin32;
    const CNTFSAttributeHeader name = useSecond ? f1.attribute : f0.attribute;
    if (!name) return nullptr;

    // Records 0 to 4 are never parents: prefer a name whose parent is a real folder.
    const int64_t p1 = f1 ? int64_t(f1.attribute.GetFNParentReference()) : -1;
    const int64_t p0 = f0 ? int64_t(f0.attribute.GetFNParentReference()) : -1;
    const int64_t chosenParent = p1 >= 5 ? p1 : p0 >= 5 ? p0 : int64_t(name.GetFNParentReference());
    if (parent && chosenParent != -1) *parent = chosenParent;

    if (name.GetFNNameLength() == 0) return nullptr;
    uint16_t attributes = 0;
    const bool folder = (name.GetFNFlags() & ntfs::kFileNameFlagDirectory) != 0;
    if (folder) attributes |= ntfs::kFileAttrDirectory;

    const std::u16string wideName = name.GetFNName();
    std::string text = NtfsNameToText(wideName);
    if (text.empty()) return nullptr;
    if (!folder && !PassesExtensionFilter(text)) return nullptr;
    if (!folder && GetRecoverySettings()->m_photoMode &&
        !PassesPhotoModeFilterW(wideName.data(), wideName.size(), false))
        return nullptr;

    FILETIME creation = name.GetFNCreationTime();
    FILETIME modification = name.GetFNModificationTime();
    FILETIME access = name.GetFNAccessTime();
    int64_t size = static_cast<int64_t>(name.GetFNRealSize());

    const auto si = group.FindAttribute(ntfs::kAttrStandardInformation, 0);
    if (si && si.attribute.HasSITimes()) {
        creation = si.attribute.GetSICreationTime();
        modification = si.attribute.GetSIModificationTime();
        access = si.attribute.GetSIAccessTime();
        attributes |= uint16_t(si.attribute.GetSIFileAttributes() & (ntfs::kFileAttrReadOnly | ntfs::kFileAttrHidden |
                                                                     ntfs::kFileAttrSystem | ntfs::kFileAttrArchive));
    }

    uint8_t state = group.IsInUse() ? 0 : kFileStateDeleted;

    std::unique_ptr<PackedDataRun> packed;
    CNTFSRunList attributeRuns;
    bool resident = false;
    for (int n = 0; n < kMaxDataAttributes; ++n) {
        const auto data = group.FindAttribute(ntfs::kAttrData, n);
        if (!data) break;
        const CNTFSAttributeHeader& a = data.attribute;
        if (a.IsNamed()) continue; // alternate data streams
        if (a.IsCompressed()) attributes |= ntfs::kFileAttrCompressed;
        if (a.IsEncrypted()) attributes |= ntfs::kFileAttrEncrypted;
        if (!a.IsNonResident()) {
            packed = PackResidentRun(a, data.recordSector, data.offset);
            size = static_cast<int64_t>(a.GetValueLength());
            resident = true;
            break;
        }
        uint64_t dataSize = 0;
        const auto firstVcn = AppendAttributeRuns(a, attributeRuns, &dataSize);
        if (firstVcn && *firstVcn == 0 && (size <= 0 || uint64_t(size) < dataSize))
            size = static_cast<int64_t>(dataSize);
    }

    if (!resident) {
        attributeRuns.SortByVcn();
        const uint64_t clusters = attributeRuns.GetRunListLength();
        packed = PackNonResidentRuns(attributeRuns);
        if (size < 0) size = 0;
        if (bytesPerCluster != 0 && bytesPerCluster % 512 == 0) {
            // Saturating: a damaged run list must not wrap the size around.
            const uint64_t allocated =
                clusters > uint64_t(INT64_MAX) / bytesPerCluster ? uint64_t(INT64_MAX) : clusters * bytesPerCluster;
            if (uint64_t(size) > allocated) size = static_cast<int64_t>(allocated);
            if (size == 0) size = static_cast<int64_t>(allocated);
        }
    }

    if ((attributes & ntfs::kFileAttrCompressed) && (attributes & ntfs::kFileAttrEncrypted))
        attributes &= uint16_t(~ntfs::kFileAttrCompressed);

    auto properties = std::make_unique<CNTFSFileProperties>();
    properties->SetBuiltName(std::move(text));
    properties->SetSize(static_cast<uint64_t>(size));
    properties->SetAttributes(attributes);
    properties->SetTimes(creation, modification, access);
    properties->SetState(state);
    properties->SetRecordSector(recordSector);
    properties->SetPackedRuns(std::move(packed));
    return properties;
}
