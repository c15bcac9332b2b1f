// The "Raw Files" folder built from the hits of a signature scan.
#include "filesystems/tree/CRawResultTreeBuilder.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "core/filetypes/RawTypeTable.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CClusterUseBitMap.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/IRawHitMeasurer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int kJpegType = 33;
constexpr uint8_t kSystemFolderState = 0x10;
// Document and archive types left out in photo mode.
constexpr std::array<int, 22> kPhotoModeExcluded = {3,  6,  21, 31, 39, 43, 46, 48, 49, 53, 54,
                                                    55, 57, 62, 64, 65, 67, 68, 69, 70, 71, 72};

// Whether the size bytes from the sector end with the end-of-image marker FF D9.
bool EndsWithJpegMarker(IStorageDevice* device, uint64_t startSector, uint64_t size)
{
    const int32_t sectorSize = device ? device->GetSectorSize() : 0;
    if (sectorSize <= 0 || size < 2) return false;
    const uint64_t S = uint64_t(sectorSize);
    const uint64_t first = (size - 2) / S;
    const uint64_t last = (size - 1) / S;
    std::vector<uint8_t> buffer(size_t((last - first + 1) * S));
    if (!device->ReadSectors(buffer.data(), startSector + first, last - first + 1)) return false;
    const uint64_t at = (size - 2) - first * S;
    return buffer[at] == 0xFF && buffer[at + 1] == 0xD9;
}

// A folder the system makes: the run of the all-ones start sector, and the system-folder state.
CRAWFileProperties* NewSystemFolderProperties(const char* name)
{
    CRawFileInfo folderHit;
    folderHit.SetStartSector(UINT64_MAX);
    auto* properties = CreateRAWFileProperties();
    properties->SetFromRawHit(&folderHit);
    properties->SetAttributes(kFileAttrDirectory);
    properties->SetState(kSystemFolderState);
    properties->SetRawFileName(name);
    return properties;
}

} // namespace

CRawResultTreeBuilder::CRawResultTreeBuilder() : m_counts(kTypeSlots, 0), m_typeFolders(kTypeSlots, nullptr) {}

std::string CRawResultTreeBuilder::FormatFileName(int count, const char* shortName, const std::string& namePrefix)
{
    char number[32];
    std::snprintf(number, sizeof number, "%03d.", count);
    const std::string tail = std::string(number) + (shortName ? shortName : "");
    std::string prefix = namePrefix.empty() ? std::string("FILE") : namePrefix;
    if (prefix.size() + tail.size() > kMaxNameLength) {
        size_t keep = tail.size() < kMaxNameLength ? kMaxNameLength - tail.size() : 0;
        // Cut on a character boundary.
        while (keep > 0 && keep < prefix.size() && (static_cast<unsigned char>(prefix[keep]) & 0xC0) == 0x80) --keep;
        prefix.resize(keep);
    }
    std::string name = prefix + tail;
    if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
    return name;
}

CFileSystemNode* CRawResultTreeBuilder::CreateRoot()
{
    CFileSystemNode* root = NewFileSystemNode();
    root->SetProperties(NewSystemFolderProperties("Raw Files"));
    root->SetClusterGeometry(0, 1);
    root->SetFileSystemKind(kFsKindRaw);
    return root;
}

CFileNode* CRawResultTreeBuilder::CreateFolderNode(const char* name)
{
    CFileNode* node = NewFileNode();
    node->SetProperties(NewSystemFolderProperties(name));
    return node;
}

CFileNode* CRawResultTreeBuilder::CreateTypeFolder(int type)
{
    const char* description = GetRawTypeDescription(type);
    if (description == nullptr || *description == '\0') description = GetRawTypeName(type);
    std::string name = description ? description : "";
    if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
    CFileNode* folder = CreateFolderNode(name.c_str());
    m_root->AddChild(folder);
    m_typeFolders[size_t(type)] = folder;
    return folder;
}

void CRawResultTreeBuilder::RenameNode(CFileNode* node, const std::string& name)
{
    static_cast<CRAWFileProperties*>(node->GetProperties())->SetRawFileName(name.c_str());
}

void CRawResultTreeBuilder::AddRawFile(const WorkRecord& record)
{
    const int type = record.type;
    if (type < 0 || type >= kTypeSlots) return;
    if (GetRecoverySettings()->m_photoMode &&
        std::find(kPhotoModeExcluded.begin(), kPhotoModeExcluded.end(), type) != kPhotoModeExcluded.end())
        return;
    CFileNode* typeFolder = m_typeFolders[size_t(type)];
    if (typeFolder == nullptr) typeFolder = CreateTypeFolder(type);
    const int n = ++m_counts[size_t(type)];

    CRawFileInfo run;
    run.SetStartSector(record.startSector * m_unitsPerSector);
    run.SetSize(record.size);
    auto* properties = CreateRAWFileProperties();
    properties->SetFromRawHit(&run);
    properties->SetAttributes(kFileAttrArchive);
    properties->SetRawFileName(FormatFileName(n, GetRawTypeName(type), record.namePrefix).c_str());
    properties->SetExtraText(record.extraText);
    CFileNode* file = NewFileNode();
    file->SetProperties(properties);

    if (n <= kFilesPerFolder) {
        typeFolder->AddChild(file);
        if (n == kFilesPerFolder) {
            // The first split: the folder of files 1-300 goes under a new type folder of the same name.
            const std::string name = typeFolder->GetProperties()->GetName();
            m_root->RemoveChild(typeFolder);
            RenameNode(typeFolder, "1-300");
            CFileNode* fresh = CreateFolderNode(name.c_str());
            m_root->AddChild(fresh);
            fresh->AddChild(typeFolder);
            m_typeFolders[size_t(type)] = fresh;
        }
        return;
    }
    if ((n - 1) % kFilesPerFolder == 0) {
        char range[48];
        std::snprintf(range, sizeof range, "%d-%d", n, n + kFilesPerFolder - 1);
        typeFolder->AddChild(CreateFolderNode(range));
    }
    typeFolder->GetFirstChild()->AddChild(file);
}

void CRawResultTreeBuilder::FinishFolders()
{
    for (int type = 0; type < kTypeSlots; ++type) {
        const int n = m_counts[size_t(type)];
        if (n <= kFilesPerFolder || n % kFilesPerFolder == 0 || m_typeFolders[size_t(type)] == nullptr) continue;
        char range[48];
        std::snprintf(range, sizeof range, "%d-%d", (n / kFilesPerFolder) * kFilesPerFolder + 1, n);
        RenameNode(m_typeFolders[size_t(type)]->GetFirstChild(), range);
    }
}

CFileSystemNode* CRawResultTreeBuilder::Build(IStorageDevice* device, IIterator<CRawFileInfo*>* hits,
                                              const IIsClusterUsed* bitmap, IDIRBuildCallback* callback,
                                              IRawHitMeasurer* measurer)
{
    const CRecoverySettings& options = *GetRecoverySettings();
    if (!options.m_recoverRawFiles) return nullptr;
    m_root = CreateRoot();
    // Hits count sectors of the scanned device; handed its 512-byte view, the builder reads the device below.
    if (device && device->GetSourceDevice()) device = device->GetSourceDevice();
    const int32_t sectorSize = device && device->GetSectorSize() > 0 ? device->GetSectorSize() : 512;
    m_unitsPerSector = sectorSize > 512 ? uint64_t(sectorSize) / 512 : 1;
    const auto isUsed = [&](const CRawFileInfo* hit) {
        return bitmap && bitmap->IsClusterUsed(DeviceBytePos::OfSector(hit->GetStartSector(), uint32_t(sectorSize)));
    };

    std::vector<bool> selected(kTypeSlots, false);
    for (int id : options.m_rawTypeIds)
        if (id >= 0 && id < kTypeSlots) selected[size_t(id)] = true;

    if (callback && hits) {
        int total = 0;
        for (hits->First(); !hits->IsDone(); hits->Next())
            if (!isUsed(hits->Current())) ++total;
        callback->Begin("Building RAW file tree.", total);
    }

    // The reference JPEG: a later JPEG lying inside it is a thumbnail or a fragment when it is much smaller or
    // nearly as large. Only a reference whose end marker was found has a known end.
    uint64_t refStart = 0, refEnd = 0, refSize = 0;
    const uint64_t S = uint64_t(sectorSize);
    for (hits ? hits->First() : void(); hits && !hits->IsDone(); hits->Next()) {
        CRawFileInfo* hit = hits->Current();
        if (callback) callback->CheckCancel();
        const int type = hit->GetFileType();
        if (type < 0 || type >= kTypeSlots || !selected[size_t(type)]) continue;
        if (isUsed(hit)) continue;

        WorkRecord record;
        record.startSector = hit->GetStartSector();
        record.type = type;
        if (hit->GetSize() == 0) {
            if (hit->GetAnalyserType() == -1 || measurer == nullptr) continue;
            uint64_t size = 0;
            try {
                if (!measurer->Measure(hit, device, size, record.namePrefix, record.extraText)) continue;
            } catch (...) {
                size = 0;
            }
            record.size = std::min(size, options.m_maxRawFileSize);
            record.type = hit->GetFileType(); // measuring may refine the type
            hit->SetSize(0);
            if (record.type < 0 || record.type >= kTypeSlots) continue;
        } else {
            record.size = hit->GetSize();
            record.namePrefix = hit->GetNamePrefix();
            record.extraText = hit->GetExtraText();
        }
        if (record.size == 0) continue;

        if ((hit->GetAnalyserType() & 0xFFFF) == kJpegType) {
            const uint64_t end = record.startSector + (record.size + S - 1) / S;
            const bool inside = refSize != 0 && refStart < record.startSector && end <= refEnd;
            if (inside && (record.size < refSize / 10 || record.size > (refSize / 10) * 9)) continue;
            if (EndsWithJpegMarker(device, record.startSector, record.size)) {
                refStart = record.startSector;
                refEnd = end;
                refSize = record.size;
            } else {
                refStart = refEnd = refSize = 0;
            }
        }
        AddRawFile(record);
        if (callback && callback->Step(1) == -1) break;
    }
    FinishFolders();
    if (callback) callback->Finish();
    return m_root;
}
