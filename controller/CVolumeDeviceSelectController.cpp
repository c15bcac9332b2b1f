// The device lists of the volume pages.
#include "controller/CVolumeDeviceSelectController.h"

#include "controller/IDeviceSelectView.h"
#include "controller/MessageBoxTypes.h"
#include "core/devices/CImageFileDevice.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/CCollectBasicVolume.h"
#include "filesystems/partitions/CPartitionTableAnalyze.h"
#include "filesystems/partitions/DeviceListQueries.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/VolumeNames.h"
#include "filesystems/partitions/VolumesReport.h"
#include "platform/Log.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

constexpr int kIconImage = 4;

void CopyText(char* out, size_t size, const std::string& text)
{
    std::snprintf(out, size, "%s", text.c_str());
}

} // namespace

// What the worker collects; its devices are freed with it unless the controller took them over.
struct CVolumeDeviceSelectController::Enumeration {
    CStorageDeviceList disks;
    CVolumeDeviceRecordList volumes;
    std::vector<DeviceRow> rows;
    std::vector<UnreadableDevice> unreadable;
    ~Enumeration() { ReleaseCollectedDevices(disks, volumes); }
};

struct CVolumeDeviceSelectController::ImageEntry {
    VolumeDeviceRecord record;
    std::unique_ptr<IStorageDevice> device;
    bool raw = false; // a volume of a raw image file (Ctrl+O): its row adds the label and file system
};

CVolumeDeviceSelectController::CVolumeDeviceSelectController(RowMaker rows, unsigned imageRowPrefix)
    : m_makeRows(rows), m_imageRowPrefix(imageRowPrefix)
{
}

CVolumeDeviceSelectController::~CVolumeDeviceSelectController()
{
    m_page = nullptr;
    m_refresh.Cancel(nullptr);
    ReleaseVolumes();
    m_images.clear();
}

void CVolumeDeviceSelectController::SetPage(IDeviceSelectView* page)
{
    // Results posted for the old page are dropped; the worker only collects, so waiting is short.
    if (!page) m_refresh.Cancel(nullptr);
    m_page = page;
}

void CVolumeDeviceSelectController::ReleaseVolumes()
{
    if (m_chosen && m_chosen->nKind == VolumeDeviceRecord::kKindVolume) m_chosen = nullptr;
    m_selection = nullptr;
    ReleaseCollectedDevices(m_disks, m_volumes);
}

void CVolumeDeviceSelectController::ReleaseDevices()
{
    m_refresh.Cancel(m_page);
    ReleaseVolumes();
}

void CVolumeDeviceSelectController::ReleaseImages()
{
    if (m_chosen && m_chosen->nKind == VolumeDeviceRecord::kKindImage) m_chosen = nullptr;
    m_selection = nullptr;
    m_images.clear();
    m_rawImages.clear();
}

void CVolumeDeviceSelectController::RefreshDeviceList()
{
    if (!m_refresh.Begin(m_page)) return;
    // The rows are gone, so nothing refers to the last enumeration any more.
    ReleaseVolumes();
    auto result = std::make_shared<Enumeration>();
    const RowMaker makeRows = m_makeRows;
    m_refresh.Run(
        m_page,
        [result, makeRows] {
            const std::vector<plat::BlockDeviceInfo> devices = plat::ListBlockDevices();
            CDeviceListRefresh::CollectDisksAndVolumes(result->disks, result->volumes);
            // Disks that would not open are shown with their reason, so that an empty list is never a riddle.
            result->unreadable = CDeviceListRefresh::CollectUnreadable(result->disks, devices);
            if (result->disks.empty()) return;
            LogInfo("collect device end");
            result->rows = makeRows(result->volumes, devices);
            LogInfo("InitVolumeDeviceSelectCtrl end");
        },
        [this, result] { OnEnumerated(*result); });
}

void CVolumeDeviceSelectController::OnEnumerated(Enumeration& result)
{
    m_disks.swap(result.disks);
    m_volumes.swap(result.volumes);
    if (m_page) {
        m_page->ClearRows();
        AddLeadingRows();
        for (const DeviceRow& row : result.rows) m_page->AddRow(row);
        // A volume page lists the partitions of an unreadable disk, or the disk itself when it has none.
        for (size_t i = 0; i < result.unreadable.size(); ++i) {
            const UnreadableDevice& device = result.unreadable[i];
            const bool hasParts =
                !device.partition && i + 1 < result.unreadable.size() && result.unreadable[i + 1].partition;
            if (hasParts) continue;
            DeviceRow row;
            row.icon = device.partition ? 2 : 1;
            row.name = device.name;
            row.sectors = device.sizeBytes / 512;
            row.unreadable = device.reason;
            m_page->AddRow(row);
        }
        // Images are listed even when no disk could be read (without root no disk opens on Linux).
        for (const ImageEntry& image : m_images) AddImageRow(image);
        m_page->ShowNothingReadable(result.rows.empty() && m_images.empty());
        m_page->EndRefresh();
    }
}

void CVolumeDeviceSelectController::WaitForRefresh()
{
    // The result is queued to the page; the caller's event loop delivers it. Here only the worker ends.
    m_refresh.WaitForWorker();
}

void CVolumeDeviceSelectController::AddImageRow(const ImageEntry& image)
{
    if (!m_page) return;
    DeviceRow row;
    row.icon = kIconImage;
    row.name = m_page->LoadString(m_imageRowPrefix) + image.record.szImageName;
    if (image.raw) {
        if (image.record.szLabel[0]) row.name += std::string("  ") + image.record.szLabel;
        row.name += std::string("  (") + GetFileSystemName(image.record.nFileSystemKind) + ")";
    }
    row.sectors = image.record.u64ImageSectorCount;
    row.sectorSize = CDeviceListRefresh::RowSectorSize(image.device.get());
    row.item = const_cast<VolumeDeviceRecord*>(&image.record);
    m_page->AddRow(row);
    // Something can be chosen now: the note on what to do goes.
    m_page->ShowNothingReadable(false);
}

VolumeDeviceRecord* CVolumeDeviceSelectController::SelectedRecord()
{
    return static_cast<VolumeDeviceRecord*>(CDeviceListRefresh::SelectedItem(m_page));
}

int CVolumeDeviceSelectController::UpdateSelection()
{
    m_selection = SelectedRecord();
    return m_selection ? 1 : 0;
}

int CVolumeDeviceSelectController::IsImageSelected()
{
    UpdateSelection();
    const auto* record = static_cast<const VolumeDeviceRecord*>(m_selection);
    return record && record->nKind == VolumeDeviceRecord::kKindImage ? 1 : 0;
}

bool CVolumeDeviceSelectController::AddImageRecord(const std::string& path)
{
    for (const ImageEntry& image : m_images) {
        if (path == image.record.szImagePath) {
            if (m_page) m_page->ShowMessage(kImageOpen, wizmsg::kIconWarning);
            return false;
        }
    }
    auto device = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (!device->CheckSlices()) {
        if (m_page) m_page->ShowMessage(kInvalidImage, wizmsg::kIconWarning);
        return false;
    }
    if (device->GetSectorCount() == 0) {
        if (m_page) m_page->ShowMessage(kImageDestroyed, wizmsg::kIconWarning);
        return false;
    }
    ImageEntry& image = m_images.emplace_back();
    char description[260] = {};
    device->ReadHeaderString(description, sizeof description);
    image.record.nKind = VolumeDeviceRecord::kKindImage;
    image.record.pDevice = device.get();
    image.record.nImageNumber = m_nextImageNumber++;
    CopyText(image.record.szImageName, sizeof image.record.szImageName, description);
    image.record.u64ImageSectorCount = device->GetSectorCount();
    CopyText(image.record.szImagePath, sizeof image.record.szImagePath, path);
    // The file system comes from the image's own first sectors, not from its description.
    image.record.nImageFileSystemKind = IdentifyVolumeFileSystem(device.get()).kind;
    image.record.nFileSystemKind = image.record.nImageFileSystemKind;
    image.device = std::move(device);
    AddImageRow(image);
    return true;
}

std::vector<VolumeDeviceRecord*> CVolumeDeviceSelectController::AddRawImageVolumes(const std::string& path)
{
    std::vector<VolumeDeviceRecord*> added;
    auto image = std::make_unique<CImageFileDevice>(path);
    if (!image->IsOpen() || image->GetSectorCount() == 0) {
        LogError("Raw image %s: cannot be opened", path.c_str());
        if (m_page) m_page->ShowMessage(kInvalidImage, wizmsg::kIconWarning);
        return added;
    }
    // Its partitions, or the whole file when a file system starts at its first sector.
    CBasicPartitionList entries;
    CPartitionTableAnalyze().ReadPartitions(image.get(), entries);
    const std::string fileName = std::filesystem::path(path).filename().string();
    int number = 0;
    for (CBasicPartitionInfo& entry : entries) {
        if (!entry.pWindow) continue;
        ++number;
        const VolumeDeviceRecord volume = MakeBasicVolumeRecord(entry, image.get(), false, std::string());
        if (volume.nFileSystemKind == 7) {
            delete volume.pDevice;
            continue;
        }
        ImageEntry& item = m_images.emplace_back();
        item.device.reset(volume.pDevice);
        item.raw = true;
        VolumeDeviceRecord& record = item.record;
        record.nKind = VolumeDeviceRecord::kKindImage;
        record.pDevice = volume.pDevice;
        record.nImageNumber = m_nextImageNumber++;
        record.nFileSystemKind = record.nImageFileSystemKind = volume.nFileSystemKind;
        std::memcpy(record.szLabel, volume.szLabel, sizeof record.szLabel);
        const std::string name =
            volume.members[0].u64FirstSector == 0 ? fileName : fileName + " p" + std::to_string(number);
        CopyText(record.szImageName, sizeof record.szImageName, name);
        record.u64ImageSectorCount = volume.pDevice->GetSectorCount();
        CopyText(record.szImagePath, sizeof record.szImagePath, path);
        AddImageRow(item);
        added.push_back(&record);
    }
    if (!added.empty()) m_rawImages.push_back(std::move(image));
    return added;
}

void CVolumeDeviceSelectController::OpenRawImageFile()
{
    if (!m_page) return;
    const std::string path = m_page->ChooseRawImageFile();
    if (!path.empty()) AddRawImageVolumes(path);
}

void CVolumeDeviceSelectController::OpenDiskImage()
{
    if (!m_page) return;
    const std::string path = m_page->ChooseImageToOpen();
    if (!path.empty()) AddImageRecord(path);
}

void CVolumeDeviceSelectController::CreateDiskImage()
{
    if (!m_page || !UpdateSelection()) return;
    auto* record = static_cast<VolumeDeviceRecord*>(m_selection);
    if (record->nKind != VolumeDeviceRecord::kKindVolume || !record->pDevice) return;
    const std::string name = VolumeShortName(*record, NameVolume(*record, m_volumes, plat::ListBlockDevices()));
    const CreatedImage made = m_page->RunCreateImage(record->pDevice, name, 255);
    if (made.openInList && !made.path.empty()) AddImageRecord(made.path);
}

void CVolumeDeviceSelectController::RemoveSelectedImage()
{
    if (!m_page) return;
    const int row = m_page->GetSelectedRow();
    if (row < 0) return;
    auto* record = static_cast<VolumeDeviceRecord*>(m_page->GetRowItem(row));
    if (!record || record->nKind != VolumeDeviceRecord::kKindImage) return;
    m_page->DeleteRow(row);
    const uint32_t number = record->nImageNumber;
    m_images.remove_if([&](const ImageEntry& image) {
        if (image.record.nImageNumber != number) return false;
        if (m_chosen == &image.record) m_chosen = nullptr;
        return true;
    });
    m_selection = nullptr;
}

bool CVolumeDeviceSelectController::IsRawImageRecord(const VolumeDeviceRecord* record) const
{
    for (const ImageEntry& image : m_images)
        if (&image.record == record) return image.raw;
    return false;
}

std::string CVolumeDeviceSelectController::DeviceNameOf(const VolumeDeviceRecord& record)
{
    if (record.nKind != VolumeDeviceRecord::kKindVolume) return record.szImageName;
    return NameVolume(record, m_volumes, plat::ListBlockDevices()).device;
}

int CVolumeDeviceSelectController::IsDriveOnSelectedSource(char driveLetter)
{
    if (!m_chosen) return 0;
    return IsVolumeOnDrive(m_chosen, driveLetter, m_volumes) ? 1 : 0;
}
