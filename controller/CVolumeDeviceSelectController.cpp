// The device lists of the volume pages.
#include "controller/CVolumeDeviceSelectController.h"

#include "controller/IDeviceSelectView.h"
#include "controller/MessageBoxTypes.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/DeviceListQueries.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/VolumesReport.h"
#include "platform/Log.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

#include <cstdio>

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
    ~Enumeration() { ReleaseCollectedDevices(disks, volumes); }
};

struct CVolumeDeviceSelectController::ImageEntry {
    VolumeDeviceRecord record;
    std::unique_ptr<IStorageDevice> device;
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
            CDeviceListRefresh::CollectDisksAndVolumes(result->disks, result->volumes);
            if (result->disks.empty()) return;
            LogInfo("collect device end");
            result->rows = makeRows(result->volumes);
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
        // Images are listed even when no disk could be read (without root no disk opens on Linux).
        for (const ImageEntry& image : m_images) AddImageRow(image);
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
    row.sectors = image.record.u64ImageSectorCount;
    row.sectorSize = CDeviceListRefresh::RowSectorSize(image.device.get());
    row.item = const_cast<VolumeDeviceRecord*>(&image.record);
    m_page->AddRow(row);
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
    char name[300];
    std::snprintf(name, sizeof name, "%s (%c:\\ %s)", record->szLabel,
                  record->cDriveLetter ? record->cDriveLetter : '*', GetFileSystemName(record->nFileSystemKind));
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

int CVolumeDeviceSelectController::IsDriveOnSelectedSource(char driveLetter)
{
    if (!m_chosen) return 0;
    return IsVolumeOnDrive(m_chosen, driveLetter, m_volumes) ? 1 : 0;
}
