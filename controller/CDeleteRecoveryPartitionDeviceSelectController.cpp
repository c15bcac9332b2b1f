// The deleted-file volume controller.
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"

#include "core/bytes/ParseStatus.h"
#include "controller/CFileSelectController.h"
#include "controller/IDeviceSelectView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/TreeBuildRunner.h"
#include "controller/MessageBoxTypes.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/partitions/VolumeNames.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Clock.h"
#include "platform/Log.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kIconFloppy = 0, kIconPartition = 2, kIconUsb = 6;

bool IsReadableImage(const std::string& path)
{
    CImageFileDevice image(path);
    return image.IsOpen() && image.GetSectorCount() > 0;
}

} // namespace

CDeleteRecoveryPartitionDeviceSelectController::CDeleteRecoveryPartitionDeviceSelectController()
    : CVolumeDeviceSelectController(MakeVolumeRows, kImageRowPrefix)
{
}

CDeleteRecoveryPartitionDeviceSelectController::~CDeleteRecoveryPartitionDeviceSelectController()
{
    SetPage(nullptr);
    ReleaseScannedTree();
}

bool& CDeleteRecoveryPartitionDeviceSelectController::HintFlag()
{
    static bool show = true;
    return show;
}

void CDeleteRecoveryPartitionDeviceSelectController::ReleaseScannedTree()
{
    if (!m_scannedTree) return;
    // The found-file page may still show a root that shares this tree's properties: it goes first.
    CFileSelectController* files = GetFileSelectController();
    if (files->GetPrevious() == this) files->Reset();
    DeleteFoundTree(m_scannedTree);
    m_scannedTree = nullptr;
}

void CDeleteRecoveryPartitionDeviceSelectController::Activate()
{
    m_timeMark = plat::GetTickCount();
    RefreshDeviceList();
    ReleaseScannedTree();
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_DELETE_RECOVERY_VOLUME);
}

void CDeleteRecoveryPartitionDeviceSelectController::Home()
{
    Reset();
    if (m_previous) m_previous->Home();
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
    if (selection) selection->Set(CSelectedDevice::kVolume, m_chosen);
    return selection;
}

void CDeleteRecoveryPartitionDeviceSelectController::Reset()
{
    ReleaseScannedTree();
    ReleaseDevices();
}

std::vector<DeviceRow>
CDeleteRecoveryPartitionDeviceSelectController::MakeVolumeRows(CVolumeDeviceRecordList& volumes,
                                                               const std::vector<plat::BlockDeviceInfo>& devices)
{
    // Letters are no test here: Linux gives none, and dynamic volumes and volumes past Z have none at all.
    std::vector<DeviceRow> rows;
    for (VolumeDeviceRecord& record : volumes) {
        if (record.nFileSystemKind == 7 || !record.pDevice) continue;
        DeviceRow row;
        row.icon = record.bFloppy ? kIconFloppy : (record.bUsb ? kIconUsb : kIconPartition);
        row.sectors = record.pDevice->GetSectorCount();
        row.sectorSize = uint32_t(record.pDevice->GetSectorSize());
        row.name = VolumeRowName(record, NameVolume(record, volumes, devices));
        row.info = record.szMemberText;
        row.item = &record;
        rows.push_back(std::move(row));
    }
    return rows;
}

void CDeleteRecoveryPartitionDeviceSelectController::OpenRawImageFile()
{
    if (!m_page) return;
    const std::string path = m_page->ChooseRawImageFile();
    if (path.empty()) return;
    const std::vector<VolumeDeviceRecord*> added = AddRawImageVolumes(path);
    if (added.size() == 1) {
        m_chosen = added.front();
        ScanChosen();
    } else if (added.empty() && IsReadableImage(path)) {
        // A file without a volume of a known file system: only a search of the whole file can find files.
        LogInfo("Raw image %s: no volume of a known file system", path.c_str());
        m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
    }
}

CFileSystemNode* CDeleteRecoveryPartitionDeviceSelectController::BuildVolumeTree(const VolumeDeviceRecord& record,
                                                                                 bool* cancelled)
{
    *cancelled = false;
    IStorageDevice* device = record.pDevice;
    const int32_t kind =
        record.nKind == VolumeDeviceRecord::kKindImage ? record.nImageFileSystemKind : record.nFileSystemKind;
    const FileSystemKindInfo* fs = FindFileSystemKind(kind);
    if (!fs || !device) return nullptr;
    const TreeBuildJob job = [device, fs](IDIRBuildCallback* cb, bool* stop) {
        bytes::ParseResult result;
        CFileSystemNode* tree = fs->buildVolumeTree(device, false, cb, &result);
        *stop = result.status == bytes::ParseStatus::Cancelled;
        return tree;
    };
    CFileSystemNode* tree = GetTreeBuildRunner()(job, cancelled);
    if (*cancelled && tree) {
        DeleteFoundTree(tree);
        tree = nullptr;
    }
    return tree;
}

bool CDeleteRecoveryPartitionDeviceSelectController::next()
{
    m_chosen = SelectedRecord();
    if (!m_chosen) {
        if (m_page) m_page->ShowMessage(kSelectPartition, wizmsg::kIconInformation);
        return false;
    }
    return ScanChosen();
}

bool CDeleteRecoveryPartitionDeviceSelectController::ScanChosen()
{
    IWizardServices* services = GetWizardServices();
    const VolumeDeviceRecord& record = *m_chosen;
    const bool image = record.nKind == VolumeDeviceRecord::kKindImage;
    const bool raw = IsRawImageRecord(m_chosen);
    CRecoverySettings* options = GetRecoverySettings();
    options->m_selectedSourceName = image && !raw ? record.szImageName : record.szLabel;
    options->m_selectedDriveLetter = image || record.cDriveLetter == 0 ? 255 : uint8_t(record.cDriveLetter);
    options->m_selectedDeviceName = image && !raw ? std::string() : DeviceNameOf(record);
    services->ReportTimedEvent(kEventScanStarted, plat::GetTickCount() - m_timeMark);

    ReleaseScannedTree();
    services->LogScanDevice(true, image, options->m_selectedDeviceName.c_str(), record.szLabel, record.nFileSystemKind,
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
        if (m_page) m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
        return true;
    }
    services->ReportTimedEvent(kEventScanDone, plat::GetTickCount() - m_timeMark);
    if (HintFlag() && m_page) HintFlag() = !m_page->ShowFormatRecoveryHint();

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
