// The deleted-file volume controller.
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"

#include "controller/CFileSelectController.h"
#include "controller/IDeviceSelectView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/TreeBuildRunner.h"
#include "controller/MessageBoxTypes.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CVolumeDevice.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/CCollectDiskDevice.h"
#include "filesystems/partitions/DeviceListQueries.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/VolumesReport.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kIconFloppy = 0, kIconPartition = 2, kIconImage = 4, kIconUsb = 6;

void CopyText(char* out, size_t size, const std::string& text)
{
    std::snprintf(out, size, "%s", text.c_str());
}

} // namespace

// What the worker collects; its devices are freed with it unless the controller took them over.
struct CDeleteRecoveryPartitionDeviceSelectController::Enumeration {
    CStorageDeviceList disks;
    CVolumeDeviceRecordList volumes;
    std::vector<DeviceRow> rows;
    ~Enumeration() { ReleaseCollectedDevices(disks, volumes); }
};

struct CDeleteRecoveryPartitionDeviceSelectController::ImageEntry {
    VolumeDeviceRecord record;
    std::unique_ptr<IStorageDevice> device;
};

CDeleteRecoveryPartitionDeviceSelectController::CDeleteRecoveryPartitionDeviceSelectController() = default;

CDeleteRecoveryPartitionDeviceSelectController::~CDeleteRecoveryPartitionDeviceSelectController()
{
    m_page = nullptr;
    ++*m_generation;
    JoinWorker();
    ReleaseScannedTree();
    ReleaseVolumes();
    m_images.clear();
}

bool& CDeleteRecoveryPartitionDeviceSelectController::HintFlag()
{
    static bool show = true;
    return show;
}

void CDeleteRecoveryPartitionDeviceSelectController::SetPage(IDeviceSelectView* page)
{
    if (!page) {
        // Results posted for the old page are dropped; the worker only collects, so waiting is short.
        ++*m_generation;
        JoinWorker();
        m_refreshing = false;
    }
    m_page = page;
}

void CDeleteRecoveryPartitionDeviceSelectController::JoinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void CDeleteRecoveryPartitionDeviceSelectController::ReleaseVolumes()
{
    if (m_chosen && m_chosen->nKind == VolumeDeviceRecord::kKindVolume)
        m_chosen = nullptr;
    m_selection = nullptr;
    ReleaseCollectedDevices(m_disks, m_volumes);
}

void CDeleteRecoveryPartitionDeviceSelectController::ReleaseScannedTree()
{
    if (!m_scannedTree)
        return;
    // The found-file page may still show a root that shares this tree's properties: it goes first.
    CFileSelectController* files = GetFileSelectController();
    if (files->GetPrevious() == this)
        files->Reset();
    DeleteFoundTree(m_scannedTree);
    m_scannedTree = nullptr;
}

void CDeleteRecoveryPartitionDeviceSelectController::Activate()
{
    m_timeMark = plat::GetTickCount();
    RefreshDeviceList();
    ReleaseScannedTree();
    if (IWizardSheet* sheet = GetWizardSheet())
        sheet->SetActivePage(WP_DELETE_RECOVERY_VOLUME);
}

void CDeleteRecoveryPartitionDeviceSelectController::Home()
{
    Reset();
    if (m_previous)
        m_previous->Home();
}

void CDeleteRecoveryPartitionDeviceSelectController::Back()
{
    Reset();
    if (m_previous) {
        m_previous->Activate();
        m_previous->Back();
    }
}

void CDeleteRecoveryPartitionDeviceSelectController::ShowAdvanceSetting()
{
    GetWizardServices()->ShowAdvanceSetting(true);
}

CSelectedDevice* CDeleteRecoveryPartitionDeviceSelectController::GetSelection(CSelectedDevice* selection)
{
    if (selection)
        selection->Set(CSelectedDevice::kVolume, m_chosen);
    return selection;
}

void CDeleteRecoveryPartitionDeviceSelectController::Reset()
{
    ++*m_generation;
    JoinWorker();
    if (m_refreshing && m_page)
        m_page->EndRefresh();
    m_refreshing = false;
    ReleaseScannedTree();
    ReleaseVolumes();
}

void CDeleteRecoveryPartitionDeviceSelectController::RefreshDeviceList()
{
    if (!m_page || m_refreshing)
        return;
    m_refreshing = true;
    m_page->BeginRefresh();
    m_page->ClearRows();
    JoinWorker();
    // The rows are gone, so nothing refers to the last enumeration any more.
    ReleaseVolumes();

    const uint64_t generation = ++*m_generation;
    std::shared_ptr<std::atomic<uint64_t>> current = m_generation;
    IDeviceSelectView* page = m_page;
    m_worker = std::thread([this, page, generation, current] {
        auto result = std::make_shared<Enumeration>();
        try {
            CCollectDiskDevice().CollectDiskDevice(result->disks);
            if (!result->disks.empty()) {
                CCollectAllBasicPartitionandDynamicVolume().CollectAllBasicPartitionandDynamicVolume(result->disks,
                                                                                                     result->volumes);
                LogInfo("collect device end");
                result->rows = MakeVolumeRows(result->volumes);
                LogInfo("InitVolumeDeviceSelectCtrl end");
            }
        } catch (...) {
            LogError("Device list: the enumeration failed");
        }
        if (current->load() != generation)
            return;
        page->PostToInterfaceThread([this, result, generation, current] {
            if (current->load() == generation)
                OnEnumerated(*result);
        });
    });
}

std::vector<DeviceRow> CDeleteRecoveryPartitionDeviceSelectController::MakeVolumeRows(CVolumeDeviceRecordList& volumes)
{
    std::vector<DeviceRow> rows;
    for (VolumeDeviceRecord& record : volumes) {
        const bool ext = record.nFileSystemKind == 4 || record.nFileSystemKind == 5;
        char letter = record.cDriveLetter;
        if (ext && letter == 0)
            letter = '*';
        if (letter == 0 || record.nFileSystemKind == 7 || !record.pDevice)
            continue;
        if (!ext) {
            CVolumeDevice test(letter);
            if (!test.IsOpen() || !test.IsReadable())
                continue;
        }
        DeviceRow row;
        row.icon = record.bFloppy ? kIconFloppy : (record.bUsb ? kIconUsb : kIconPartition);
        row.sectors = record.pDevice->GetSectorCount();
        row.sectorSize = uint32_t(record.pDevice->GetSectorSize());
        char name[200];
        std::snprintf(name, sizeof name, "%c : %s  (%s)", letter, record.szLabel,
                      GetFileSystemName(record.nFileSystemKind));
        row.name = name;
        row.info = record.szMemberText;
        row.item = &record;
        rows.push_back(std::move(row));
    }
    return rows;
}

void CDeleteRecoveryPartitionDeviceSelectController::OnEnumerated(Enumeration& result)
{
    JoinWorker();
    m_disks.swap(result.disks);
    m_volumes.swap(result.volumes);
    if (m_page) {
        m_page->ClearRows();
        for (const DeviceRow& row : result.rows)
            m_page->AddRow(row);
        // Images are listed even when no disk could be read (without root no disk opens on Linux).
        for (const ImageEntry& image : m_images)
            AddImageRow(image);
        m_page->EndRefresh();
    }
    m_refreshing = false;
}

void CDeleteRecoveryPartitionDeviceSelectController::WaitForRefresh()
{
    // The result is queued to the page; the caller's event loop delivers it. Here only the worker ends.
    JoinWorker();
}

void CDeleteRecoveryPartitionDeviceSelectController::AddImageRow(const ImageEntry& image)
{
    if (!m_page)
        return;
    DeviceRow row;
    row.icon = kIconImage;
    row.name = m_page->LoadString(kImageRowPrefix) + image.record.szImageName;
    row.sectors = image.record.u64ImageSectorCount;
    row.item = const_cast<VolumeDeviceRecord*>(&image.record);
    m_page->AddRow(row);
}

int CDeleteRecoveryPartitionDeviceSelectController::UpdateSelection()
{
    m_selection = nullptr;
    if (m_page) {
        const int row = m_page->GetSelectedRow();
        if (row >= 0)
            m_selection = m_page->GetRowItem(row);
    }
    return m_selection ? 1 : 0;
}

int CDeleteRecoveryPartitionDeviceSelectController::IsImageSelected()
{
    UpdateSelection();
    const auto* record = static_cast<const VolumeDeviceRecord*>(m_selection);
    return record && record->nKind == VolumeDeviceRecord::kKindImage ? 1 : 0;
}

bool CDeleteRecoveryPartitionDeviceSelectController::AddImageRecord(const std::string& path)
{
    for (const ImageEntry& image : m_images) {
        if (path == image.record.szImagePath) {
            if (m_page)
                m_page->ShowMessage(kImageOpen, wizmsg::kIconWarning);
            return false;
        }
    }
    auto device = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (!device->CheckSlices()) {
        if (m_page)
            m_page->ShowMessage(kInvalidImage, wizmsg::kIconWarning);
        return false;
    }
    if (device->GetSectorCount() == 0) {
        if (m_page)
            m_page->ShowMessage(kImageDestroyed, wizmsg::kIconWarning);
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

void CDeleteRecoveryPartitionDeviceSelectController::OpenDiskImage()
{
    if (!m_page)
        return;
    const std::string path = m_page->ChooseImageToOpen();
    if (!path.empty())
        AddImageRecord(path);
}

void CDeleteRecoveryPartitionDeviceSelectController::CreateDiskImage()
{
    if (!m_page || !UpdateSelection())
        return;
    auto* record = static_cast<VolumeDeviceRecord*>(m_selection);
    if (record->nKind != VolumeDeviceRecord::kKindVolume || !record->pDevice)
        return;
    char name[300];
    std::snprintf(name, sizeof name, "%s (%c:\\ %s)", record->szLabel, record->cDriveLetter ? record->cDriveLetter : '*',
                  GetFileSystemName(record->nFileSystemKind));
    const CreatedImage made = m_page->RunCreateImage(record->pDevice, name, 255);
    if (made.openInList && !made.path.empty())
        AddImageRecord(made.path);
}

void CDeleteRecoveryPartitionDeviceSelectController::RemoveSelectedImage()
{
    if (!m_page)
        return;
    const int row = m_page->GetSelectedRow();
    if (row < 0)
        return;
    auto* record = static_cast<VolumeDeviceRecord*>(m_page->GetRowItem(row));
    if (!record || record->nKind != VolumeDeviceRecord::kKindImage)
        return;
    m_page->DeleteRow(row);
    const uint32_t number = record->nImageNumber;
    m_images.remove_if([&](const ImageEntry& image) {
        if (image.record.nImageNumber != number)
            return false;
        if (m_chosen == &image.record)
            m_chosen = nullptr;
        return true;
    });
    m_selection = nullptr;
}

int CDeleteRecoveryPartitionDeviceSelectController::IsDriveOnSelectedSource(char driveLetter)
{
    if (!m_chosen)
        return 0;
    return IsVolumeOnDrive(m_chosen, driveLetter, m_volumes) ? 1 : 0;
}

CFileSystemNode* CDeleteRecoveryPartitionDeviceSelectController::BuildVolumeTree(const VolumeDeviceRecord& record,
                                                                                bool* cancelled)
{
    *cancelled = false;
    IStorageDevice* device = record.pDevice;
    const int32_t kind =
        record.nKind == VolumeDeviceRecord::kKindImage ? record.nImageFileSystemKind : record.nFileSystemKind;
    const std::string name = GetFileSystemName(kind);
    TreeBuildJob job;
    if (name == "NTFS")
        job = [device](IDIRBuildCallback* cb, bool* stop) { return BuildNTFS(device, cb, stop); };
    else if (name == "FAT12" || name == "FAT16")
        job = [device](IDIRBuildCallback* cb, bool* stop) { return BuildFAT(device, false, false, cb, stop); };
    else if (name == "FAT32")
        job = [device](IDIRBuildCallback* cb, bool* stop) { return BuildFAT(device, true, false, cb, stop); };
    else if (name == "EXT2" || name == "EXT3")
        job = [device](IDIRBuildCallback* cb, bool* stop) { return BuildEXT2(device, cb, stop); };
    if (!job || !device)
        return nullptr;
    CFileSystemNode* tree = GetTreeBuildRunner()(job, cancelled);
    if (*cancelled && tree) {
        DeleteFoundTree(tree);
        tree = nullptr;
    }
    return tree;
}

bool CDeleteRecoveryPartitionDeviceSelectController::next()
{
    IWizardServices* services = GetWizardServices();
    m_chosen = nullptr;
    if (m_page) {
        const int row = m_page->GetSelectedRow();
        if (row >= 0)
            m_chosen = static_cast<VolumeDeviceRecord*>(m_page->GetRowItem(row));
    }
    if (!m_chosen) {
        if (m_page)
            m_page->ShowMessage(kSelectPartition, wizmsg::kIconInformation);
        return false;
    }
    const VolumeDeviceRecord& record = *m_chosen;
    const bool image = record.nKind == VolumeDeviceRecord::kKindImage;
    CRecoverySettings* options = GetRecoverySettings();
    options->m_selectedSourceName = image ? record.szImageName : record.szLabel;
    options->m_selectedDriveLetter = image ? 255 : uint8_t(record.cDriveLetter);
    services->ReportTimedEvent(kEventScanStarted, plat::GetTickCount() - m_timeMark);

    ReleaseScannedTree();
    services->LogScanDevice(true, image, record.cDriveLetter, record.szLabel, record.nFileSystemKind,
                            record.szImageName, record.szImagePath);
    m_timeMark = plat::GetTickCount();
    bool cancelled = false;
    m_scannedTree = BuildVolumeTree(record, &cancelled);
    if (cancelled) {
        ReleaseScannedTree();
        services->LogRecoveryPhase(3);
        services->ReportTimedEvent(kEventScanCancelled, plat::GetTickCount() - m_timeMark);
        return false;
    }

    CFileSystemNode* root = nullptr;
    if (m_scannedTree) {
        services->LogRecoveryPhase(5);
        root = GatherDeletedFiles(m_scannedTree);
    }
    FileTreeStatistics statistics;
    if (!root || !root->GetStatistics(statistics) || statistics.files < 1) {
        services->LogRecoveryPhase(4);
        DeleteFoundTree(root);
        ReleaseScannedTree();
        if (m_page)
            m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
        return true;
    }
    services->ReportTimedEvent(kEventScanDone, plat::GetTickCount() - m_timeMark);
    if (HintFlag() && m_page)
        HintFlag() = !m_page->ShowFormatRecoveryHint();

    CFileSelectController* files = GetFileSelectController();
    files->SetPrevious(this);
    files->SetRoot(root);
    files->Activate();
    return true;
}

CDeleteRecoveryPartitionDeviceSelectController* GetDeleteRecoveryPartitionDeviceSelectController()
{
    static CDeleteRecoveryPartitionDeviceSelectController controller;
    return &controller;
}
