// Format recovery's device controller.
#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"

#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/ICompleteRecoveryDeviceView.h"
#include "controller/IDeviceSelectView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "controller/WholeDeviceSearch.h"
#include "controller/WizardStateFiles.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/partitions/VolumeNames.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "raw/CRAWSearchController.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr int kIconFloppy = 0, kIconPartition = 2, kIconUsb = 6;

} // namespace

struct CCompleteRecoveryPartitionDeviceSelectController::RawImage {
    VolumeDeviceRecord record;
    std::unique_ptr<CImageFileDevice> device;
};

CCompleteRecoveryPartitionDeviceSelectController::CCompleteRecoveryPartitionDeviceSelectController()
    : CVolumeDeviceSelectController(MakeVolumeRows, kImageRowPrefix)
{
}

CCompleteRecoveryPartitionDeviceSelectController::~CCompleteRecoveryPartitionDeviceSelectController()
{
    m_view = nullptr;
    SetPage(nullptr);
}

std::vector<DeviceRow>
CCompleteRecoveryPartitionDeviceSelectController::MakeVolumeRows(CVolumeDeviceRecordList& volumes,
                                                                 const std::vector<plat::BlockDeviceInfo>& devices)
{
    std::vector<DeviceRow> rows;
    for (VolumeDeviceRecord& record : volumes) {
        if (!record.pDevice || record.pDevice->GetSectorCount() == 0) continue;
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

std::vector<std::unique_ptr<IFileSystemSearchController>>
CCompleteRecoveryPartitionDeviceSelectController::MakeScanners(const CRecoverySettings& options)
{
    std::vector<std::unique_ptr<IFileSystemSearchController>> scanners;
    if (!options.m_rawFilesOnly) {
        for (const FileSystemKindInfo& fs : FileSystemKinds())
            if (fs.makeScanner) scanners.push_back(fs.makeScanner());
    }
    if (options.m_recoverRawFiles) scanners.push_back(std::make_unique<CRAWSearchController>());
    return scanners;
}

bool& CCompleteRecoveryPartitionDeviceSelectController::FirstActivationFlag()
{
    static bool first = true;
    return first;
}

void CCompleteRecoveryPartitionDeviceSelectController::Activate()
{
    if (FirstActivationFlag()) {
        PromoteRecoveryStateFile(this);
        FirstActivationFlag() = false;
    }
    SetCurrentControllerStatus(this);
    RefreshDeviceList();
    m_timeMark = plat::GetTickCount();
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_COMPLETE_RECOVERY_DEVICE);
}

void CCompleteRecoveryPartitionDeviceSelectController::Home()
{
    Reset();
    ReleaseImages();
    if (m_previous) m_previous->Home();
}

void CCompleteRecoveryPartitionDeviceSelectController::Back()
{
    Reset();
    ReleaseImages();
    if (m_previous) {
        m_previous->Activate();
        m_previous->Back();
    }
}

void CCompleteRecoveryPartitionDeviceSelectController::ShowAdvanceSetting()
{
    GetWizardServices()->ShowAdvanceSetting(true);
}

CSelectedDevice* CCompleteRecoveryPartitionDeviceSelectController::GetSelection(CSelectedDevice* selection)
{
    if (selection) selection->Set(CSelectedDevice::kVolume, m_chosen);
    return selection;
}

void CCompleteRecoveryPartitionDeviceSelectController::Reset()
{
    ReleaseResults();
    ReleaseDevices();
    if (m_rawImage && m_chosen == &m_rawImage->record) m_chosen = nullptr;
    m_rawImage.reset();
    for (VolumeDeviceRecord& image : m_restoredImages) {
        if (m_chosen == &image) m_chosen = nullptr;
        delete image.pDevice;
    }
    m_restoredImages.clear();
}

void CCompleteRecoveryPartitionDeviceSelectController::ReleaseResults()
{
    // The found-file or scan page may still hold what this controller's device gave: it goes first.
    CFileSelectController* files = GetFileSelectController();
    CCompleteRecoveryScanPartitionDeviceSelectController* scan =
        GetCompleteRecoveryScanPartitionDeviceSelectController();
    if (files->GetPrevious() == this || (files->GetPrevious() == scan && scan->GetPrevious() == this)) files->Reset();
    if (scan->GetPrevious() == this) scan->Reset();
}

bool CCompleteRecoveryPartitionDeviceSelectController::next()
{
    IWizardServices* services = GetWizardServices();
    m_chosen = nullptr;
    const int row = m_page ? m_page->GetSelectedRow() : -1;
    if (row < 0) {
        if (m_page) m_page->ShowMessage(kSelectPartition, wizmsg::kIconInformation);
        return false;
    }
    services->ReportTimedEvent(kEventSearchStarted, plat::GetTickCount() - m_timeMark);
    CRecoverySettings* options = GetRecoverySettings();
    if (auto* record = static_cast<VolumeDeviceRecord*>(m_page->GetRowItem(row))) {
        m_chosen = record;
        const bool image = record->nKind != VolumeDeviceRecord::kKindVolume;
        options->m_selectedSourceName = image ? std::string() : std::string(record->szLabel);
        options->m_selectedDriveLetter = image || record->cDriveLetter == 0 ? 255 : uint8_t(record->cDriveLetter);
        options->m_selectedDeviceName = image ? std::string() : DeviceNameOf(*record);
        if (!record->pDevice) return false;
        SearchDevice(record);
        return true;
    }
    // The "Previous Recovery..." row.
    options->m_selectedSourceName.clear();
    options->m_selectedDeviceName.clear();
    services->LogRecoveryPhase(8);
    if (RestorePreviousRecovery()) {
        services->LogRecoveryPhase(10);
    } else {
        services->LogRecoveryPhase(9);
        m_page->ShowMessage(kRestoreFailed, wizmsg::kIconInformation);
    }
    return false;
}

bool CCompleteRecoveryPartitionDeviceSelectController::SearchDevice(VolumeDeviceRecord* record)
{
    if (!record || !record->pDevice || !m_view) return false;
    IWizardServices* services = GetWizardServices();
    const bool image = record->nKind != VolumeDeviceRecord::kKindVolume;
    const std::string device = image ? std::string() : DeviceNameOf(*record);
    services->LogScanDevice(false, image, device.c_str(), record->szLabel, record->nFileSystemKind, record->szImageName,
                            record->szImagePath);
    switch (
        SearchWholeDevice(record->pDevice, *m_view, this, *GetCompleteRecoveryScanPartitionDeviceSelectController())) {
    case WholeDeviceSearchOutcome::NoFiles:
        if (m_page) m_page->ShowMessage(kNoFilesFound, wizmsg::kIconInformation);
        return true;
    case WholeDeviceSearchOutcome::FilesShown:
    case WholeDeviceSearchOutcome::ScanTookOver: return true;
    default: return false; // cancelled: the device page stays
    }
}

void CCompleteRecoveryPartitionDeviceSelectController::OpenRawImageFile()
{
    if (!m_view || !m_page) return;
    const std::string path = m_page->ChooseRawImageFile();
    if (path.empty()) return;
    auto raw = std::make_unique<RawImage>();
    raw->device = std::make_unique<CImageFileDevice>(path);
    if (!raw->device->IsOpen() || raw->device->GetSectorCount() == 0) {
        LogError("Raw image %s: cannot be opened", path.c_str());
        m_page->ShowMessage(kInvalidImage, wizmsg::kIconWarning);
        return;
    }
    // A raw image names no file system of its own: the search finds what it holds.
    VolumeDeviceRecord& record = raw->record;
    record.nKind = VolumeDeviceRecord::kKindImage;
    record.pDevice = raw->device.get();
    record.nFileSystemKind = kNoFileSystem;
    record.nImageFileSystemKind = kNoFileSystem;
    record.u64ImageSectorCount = raw->device->GetSectorCount();
    std::snprintf(record.szImageName, sizeof record.szImageName, "%s",
                  std::filesystem::path(path).filename().string().c_str());
    std::snprintf(record.szImagePath, sizeof record.szImagePath, "%s", path.c_str());
    // The previous raw image goes only after nothing refers to it any more.
    if (m_rawImage) ReleaseResults();
    m_rawImage = std::move(raw);
    m_chosen = &m_rawImage->record;
    CRecoverySettings* options = GetRecoverySettings();
    options->m_selectedSourceName.clear();
    options->m_selectedDriveLetter = 255;
    options->m_selectedDeviceName = record.szImageName;
    SearchDevice(m_chosen);
}

intptr_t CCompleteRecoveryPartitionDeviceSelectController::RemovePreviousRecovery()
{
    const int row = m_page ? m_page->GetSelectedRow() : -1;
    if (row < 0) return -1;
    if (void* item = m_page->GetRowItem(row)) return reinterpret_cast<intptr_t>(item);
    m_page->DeleteRow(row);
    return DeleteLastRecoveryState();
}

bool CCompleteRecoveryPartitionDeviceSelectController::RestorePreviousRecovery()
{
    return RestoreRecoveryStateWithProgress(this) != 0;
}

int CCompleteRecoveryPartitionDeviceSelectController::DeleteLastRecoveryState()
{
    return ::DeleteLastRecoveryState(this);
}

void CCompleteRecoveryPartitionDeviceSelectController::AddLeadingRows()
{
    char info[260];
    if (!m_page || !ReadRecoveryResultInfo(this, info, sizeof info)) return;
    DeviceRow row;
    row.icon = kIconPreviousRecovery;
    row.name = m_page->LoadString(kPreviousRecovery);
    row.info = info;
    m_page->AddRow(row);
}

std::string CCompleteRecoveryPartitionDeviceSelectController::ResultText(const VolumeDeviceRecord& record)
{
    const bool image = record.nKind != VolumeDeviceRecord::kKindVolume;
    std::string text = m_page ? m_page->LoadString(image ? kResultsForImage : kResultsForPartition) : std::string();
    const std::string description =
        image ? std::string(record.szImageName)
              : VolumeShortName(record, NameVolume(record, Volumes(), plat::ListBlockDevices()));
    return text + '"' + description + '"';
}

int CCompleteRecoveryPartitionDeviceSelectController::SaveState(IRSData* stream, IDIRBuildCallback*)
{
    if (!m_chosen) return 0;
    WriteResultInfo(stream, ResultText(*m_chosen).c_str());
    CRSDeviceSerializer serializer;
    serializer.Attach(stream);
    return serializer.SaveVolume(*m_chosen) ? 1 : 0;
}

int CCompleteRecoveryPartitionDeviceSelectController::RestoreState(IRSData* stream, IDIRBuildCallback*)
{
    CRSDeviceSerializer serializer;
    serializer.Attach(stream);
    m_chosen = serializer.LoadVolume(Volumes(), m_restoredImages);
    return m_chosen ? 1 : 0;
}

CCompleteRecoveryPartitionDeviceSelectController* GetCompleteRecoveryPartitionDeviceSelectController()
{
    static CCompleteRecoveryPartitionDeviceSelectController controller;
    return &controller;
}
