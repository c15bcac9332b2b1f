// The partition-recovery disk controller.
#include "controller/CLostRecoveryDiskDeviceSelectController.h"

#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/ILostDiskView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/LostPartitionSearch.h"
#include "controller/MessageBoxTypes.h"
#include "controller/WizardStateFiles.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/DeviceListQueries.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/VolumeNames.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

CLostRecoveryDiskDeviceSelectController::StateRestorer& Restorer()
{
    static CLostRecoveryDiskDeviceSelectController::StateRestorer restorer = [](IWizardPageController* c) {
        return RestoreRecoveryStateWithProgress(c) != 0;
    };
    return restorer;
}

CLostRecoveryDiskDeviceSelectController::PreviousRecoveryText& PreviousText()
{
    static CLostRecoveryDiskDeviceSelectController::PreviousRecoveryText text = [](IWizardPageController* c) {
        char info[260];
        return ReadRecoveryResultInfo(c, info, sizeof info) ? std::string(info) : std::string();
    };
    return text;
}

// Two member disks are the same disk when their indexes agree; devices without an index only when they are
// the same object (images standing in for disks).
bool SameDisk(const IStorageDevice* a, const IStorageDevice* b)
{
    if (!a || !b) return false;
    const int ia = GetMemberDiskIndex(a);
    const int ib = GetMemberDiskIndex(b);
    if (ia >= 0 && ib >= 0) return ia == ib;
    return a == b;
}

bool HasMemberOn(const VolumeDeviceRecord& volume, const IStorageDevice* disk)
{
    const int members = volume.GetMemberCount();
    for (int i = 0; i < members; ++i)
        if (SameDisk(volume.members[i].pDisk, disk)) return true;
    return false;
}

void CopyText(char* out, size_t size, const std::string& text)
{
    std::snprintf(out, size, "%s", text.c_str());
}

void FreeWindows(std::vector<CLostPartitionRecord>& records)
{
    for (CLostPartitionRecord& record : records) delete record.pDevice;
    records.clear();
}

} // namespace

// What the worker collects; its devices are freed with it unless the controller took them over.
struct CLostRecoveryDiskDeviceSelectController::Enumeration {
    CStorageDeviceList disks;
    CVolumeDeviceRecordList volumes;
    CDiskDeviceRecordList records;
    std::vector<DeviceRow> rows;
    std::vector<UnreadableDevice> unreadable;
    ~Enumeration() { ReleaseCollectedDevices(disks, volumes); }
};

CLostRecoveryDiskDeviceSelectController::CLostRecoveryDiskDeviceSelectController() = default;

CLostRecoveryDiskDeviceSelectController::~CLostRecoveryDiskDeviceSelectController()
{
    m_page = nullptr;
    m_refresh.Cancel(nullptr);
    ReleaseDisks();
    ReleaseImages();
}

void CLostRecoveryDiskDeviceSelectController::SetStateRestorer(StateRestorer restorer)
{
    Restorer() = std::move(restorer);
}

void CLostRecoveryDiskDeviceSelectController::SetPreviousRecoveryText(PreviousRecoveryText text)
{
    PreviousText() = std::move(text);
}

void CLostRecoveryDiskDeviceSelectController::SetPage(ILostDiskView* page)
{
    if (!page) m_refresh.Cancel(nullptr);
    m_page = page;
}

void CLostRecoveryDiskDeviceSelectController::ReleaseDisks()
{
    if (m_chosen && m_chosen->nKind == DiskDeviceRecord::kKindDisk) m_chosen = nullptr;
    m_selection = nullptr;
    m_disks.clear();
    ReleaseCollectedDevices(m_diskDevices, m_volumes);
}

void CLostRecoveryDiskDeviceSelectController::ReleaseImages()
{
    if (m_chosen && m_chosen->nKind == DiskDeviceRecord::kKindImage) m_chosen = nullptr;
    m_selection = nullptr;
    for (DiskDeviceRecord& image : m_images) delete image.pDevice;
    m_images.clear();
}

bool& CLostRecoveryDiskDeviceSelectController::FirstActivationFlag()
{
    static bool first = true;
    return first;
}

void CLostRecoveryDiskDeviceSelectController::Activate()
{
    m_timeMark = plat::GetTickCount();
    if (FirstActivationFlag()) {
        PromoteRecoveryStateFile(this);
        FirstActivationFlag() = false;
    }
    SetCurrentControllerStatus(this);
    RefreshDeviceList();
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_LOST_RECOVERY_DISK);
}

void CLostRecoveryDiskDeviceSelectController::Home()
{
    Reset();
    ReleaseImages();
    if (m_previous) m_previous->Home();
}

void CLostRecoveryDiskDeviceSelectController::Back()
{
    Reset();
    ReleaseImages();
    if (m_previous) {
        m_previous->Activate();
        m_previous->Back();
    }
}

void CLostRecoveryDiskDeviceSelectController::ShowAdvanceSetting()
{
    GetWizardServices()->ShowAdvanceSetting(true);
}

CSelectedDevice* CLostRecoveryDiskDeviceSelectController::GetSelection(CSelectedDevice* selection)
{
    if (selection) selection->Set(CSelectedDevice::kDisk, m_chosen);
    return selection;
}

void CLostRecoveryDiskDeviceSelectController::Reset()
{
    m_refresh.Cancel(m_page);
    ReleaseDisks();
}

std::string CLostRecoveryDiskDeviceSelectController::DiskRowName(const DiskDeviceRecord& record,
                                                                 const std::vector<plat::BlockDeviceInfo>& devices)
{
    if (record.nKind == DiskDeviceRecord::kKindImage) return record.szImageName;
    std::string device = NameDisk(record.pDevice, devices);
    std::string description = record.szDescription;
    description.erase(description.find_last_not_of(' ') + 1);
    if (device.empty()) return description;
    // A file standing in for a disk (an image, a loop device's backing file) is described by its name, which
    // the row shows already; its folder tells it from another of the same name.
    std::string folder = DiskFileFolder(record.pDevice, devices);
    if (!folder.empty()) {
        // The home folder, and what lies below it, in the short form a Linux user reads.
        const char* home = std::getenv("HOME");
        const std::string homeDir = home && *home && std::string(home) != "/" ? std::string(home) : std::string();
        if (!homeDir.empty() && folder == homeDir)
            folder = "~";
        else if (!homeDir.empty() && folder.compare(0, homeDir.size() + 1, homeDir + "/") == 0)
            folder = "~/" + folder.substr(homeDir.size() + 1);
        return device + "  " + folder;
    }
    if (description.empty() || device.find(description) != std::string::npos) return device;
    return device + "  " + description;
}

std::vector<DeviceRow>
CLostRecoveryDiskDeviceSelectController::MakeDiskRows(CDiskDeviceRecordList& disks,
                                                      const CVolumeDeviceRecordList& volumes,
                                                      const std::vector<plat::BlockDeviceInfo>& devices)
{
    std::vector<DeviceRow> rows;
    for (DiskDeviceRecord& record : disks) {
        if (!record.pDevice) continue;
        DeviceRow row;
        row.icon = record.bUsb ? kIconUsb : kIconDisk;
        row.name = DiskRowName(record, devices);
        row.sectors = record.pDevice->GetSectorCount();
        row.sectorSize = uint32_t(record.pDevice->GetSectorSize());
        for (const VolumeDeviceRecord& volume : volumes) {
            if (!HasMemberOn(volume, record.pDevice)) continue;
            if (!row.info.empty()) row.info += "\n";
            row.info += VolumeRowName(volume, NameVolume(volume, volumes, devices));
        }
        row.item = &record;
        rows.push_back(std::move(row));
    }
    return rows;
}

void CLostRecoveryDiskDeviceSelectController::RefreshDeviceList()
{
    if (!m_refresh.Begin(m_page)) return;
    // The rows are gone, so nothing refers to the last enumeration any more.
    ReleaseDisks();
    auto result = std::make_shared<Enumeration>();
    m_refresh.Run(
        m_page,
        [result] {
            const std::vector<plat::BlockDeviceInfo> devices = plat::ListBlockDevices();
            CDeviceListRefresh::CollectDisksAndVolumes(result->disks, result->volumes);
            result->unreadable = CDeviceListRefresh::CollectUnreadable(result->disks, devices);
            for (IStorageDevice* disk : result->disks)
                if (disk) result->records.push_back(MakeDiskDeviceRecord(disk, result->volumes));
            result->rows = MakeDiskRows(result->records, result->volumes, devices);
        },
        [this, result] { OnEnumerated(*result); });
}

void CLostRecoveryDiskDeviceSelectController::OnEnumerated(Enumeration& result)
{
    m_diskDevices.swap(result.disks);
    m_volumes.swap(result.volumes);
    m_disks.swap(result.records);
    if (m_page) {
        m_page->ClearRows();
        if (!m_disks.empty() && PreviousText()) {
            const std::string text = PreviousText()(this);
            if (!text.empty()) {
                DeviceRow row;
                row.icon = kIconPreviousRecovery;
                row.name = m_page->LoadString(kPreviousRecovery);
                row.info = text;
                m_page->AddRow(row);
            }
        }
        for (const DeviceRow& row : result.rows) m_page->AddRow(row);
        // The disks that would not open, greyed with their reason.
        for (const UnreadableDevice& device : result.unreadable) {
            if (device.partition) continue;
            DeviceRow row;
            row.icon = kIconDisk;
            row.name = device.name;
            row.sectors = device.sizeBytes / 512;
            row.unreadable = device.reason;
            m_page->AddRow(row);
        }
        // Images are listed even when no disk could be read (without root no disk opens on Linux).
        for (const DiskDeviceRecord& image : m_images) AddImageRow(image);
        m_page->ShowNothingReadable(result.rows.empty() && m_images.empty());
        m_page->EndRefresh();
    }
}

void CLostRecoveryDiskDeviceSelectController::WaitForRefresh()
{
    m_refresh.WaitForWorker();
}

void CLostRecoveryDiskDeviceSelectController::AddImageRow(const DiskDeviceRecord& image)
{
    if (!m_page) return;
    DeviceRow row;
    row.icon = kIconImage;
    row.name = m_page->LoadString(kImageRowPrefix) + image.szImageName;
    row.sectors = image.u64ImageSectorCount;
    row.sectorSize = CDeviceListRefresh::RowSectorSize(image.pDevice);
    row.item = const_cast<DiskDeviceRecord*>(&image);
    m_page->AddRow(row);
    // Something can be chosen now: the note on what to do goes.
    m_page->ShowNothingReadable(false);
}

int CLostRecoveryDiskDeviceSelectController::UpdateSelection()
{
    m_selection = CDeviceListRefresh::SelectedItem(m_page);
    return m_selection ? 1 : 0;
}

int CLostRecoveryDiskDeviceSelectController::IsImageSelected()
{
    UpdateSelection();
    const auto* record = static_cast<const DiskDeviceRecord*>(m_selection);
    return record && record->nKind == DiskDeviceRecord::kKindImage ? 1 : 0;
}

int CLostRecoveryDiskDeviceSelectController::RemovePreviousRecovery()
{
    if (!m_page) return -1;
    const int row = m_page->GetSelectedRow();
    if (row < 0) return -1;
    if (m_page->GetRowItem(row)) return 0;
    m_page->DeleteRow(row);
    return DeleteLastRecoveryState(this);
}

int CLostRecoveryDiskDeviceSelectController::SaveState(IRSData* stream, IDIRBuildCallback*)
{
    if (!m_chosen) return 0;
    WriteResultInfo(stream, ResultText(*m_chosen).c_str());
    CRSDeviceSerializer serializer;
    serializer.Attach(stream);
    return serializer.SaveDisk(*m_chosen) ? 1 : 0;
}

int CLostRecoveryDiskDeviceSelectController::RestoreState(IRSData* stream, IDIRBuildCallback*)
{
    CRSDeviceSerializer serializer;
    serializer.Attach(stream);
    m_chosen = serializer.LoadDisk(m_disks, m_images);
    return m_chosen ? 1 : 0;
}

bool CLostRecoveryDiskDeviceSelectController::AddImageRecord(const std::string& path)
{
    for (const DiskDeviceRecord& image : m_images) {
        if (path == image.szImagePath) {
            if (m_page) m_page->ShowMessage(kImageOpen, wizmsg::kIconWarning);
            return false;
        }
    }
    auto device = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (!device->CheckSlices() || device->GetSectorCount() == 0) {
        if (m_page) m_page->ShowMessage(kInvalidImage, wizmsg::kIconWarning);
        return false;
    }
    DiskDeviceRecord& image = m_images.emplace_back();
    char description[260] = {};
    device->ReadHeaderString(description, sizeof description);
    image.nKind = DiskDeviceRecord::kKindImage;
    image.nHeads = uint32_t(device->ReadHeaderValue());
    image.nImageNumber = m_nextImageNumber++;
    CopyText(image.szImageName, sizeof image.szImageName, description[0] ? std::string(description) : path);
    image.u64ImageSectorCount = device->GetSectorCount();
    CopyText(image.szImagePath, sizeof image.szImagePath, path);
    image.pDevice = device.release();
    AddImageRow(image);
    return true;
}

void CLostRecoveryDiskDeviceSelectController::OpenDiskImage()
{
    if (!m_page) return;
    const std::string path = m_page->ChooseImageToOpen();
    if (!path.empty()) AddImageRecord(path);
}

void CLostRecoveryDiskDeviceSelectController::CreateDiskImage()
{
    if (!m_page || !UpdateSelection()) return;
    auto* record = static_cast<DiskDeviceRecord*>(m_selection);
    if (record->nKind != DiskDeviceRecord::kKindDisk || !record->pDevice) return;
    const CreatedImage made =
        m_page->RunCreateImage(record->pDevice, DiskRowName(*record, plat::ListBlockDevices()), int(record->nHeads));
    if (made.openInList && !made.path.empty() && AddImageRecord(made.path)) m_images.back().nHeads = record->nHeads;
}

void CLostRecoveryDiskDeviceSelectController::OpenRawImageFile()
{
    if (!m_page) return;
    const std::string path = m_page->ChooseRawImageFile();
    if (path.empty()) return;
    for (DiskDeviceRecord& image : m_images) {
        if (path == image.szImagePath) {
            // Opened before: searched again.
            m_chosen = &image;
            SearchChosen();
            return;
        }
    }
    auto device = std::make_unique<CImageFileDevice>(path);
    if (!device->IsOpen() || device->GetSectorCount() == 0) {
        LogError("Raw image %s: cannot be opened", path.c_str());
        m_page->ShowMessage(kInvalidImage, wizmsg::kIconWarning);
        return;
    }
    DiskDeviceRecord& image = m_images.emplace_back();
    image.nKind = DiskDeviceRecord::kKindImage;
    image.nHeads = 255;
    image.nImageNumber = m_nextImageNumber++;
    CopyText(image.szImageName, sizeof image.szImageName, std::filesystem::path(path).filename().string());
    image.u64ImageSectorCount = device->GetSectorCount();
    CopyText(image.szImagePath, sizeof image.szImagePath, path);
    image.pDevice = device.release();
    AddImageRow(image);
    m_chosen = &image;
    SearchChosen();
}

void CLostRecoveryDiskDeviceSelectController::RemoveSelectedImage()
{
    if (!m_page) return;
    const int row = m_page->GetSelectedRow();
    if (row < 0) return;
    auto* record = static_cast<DiskDeviceRecord*>(m_page->GetRowItem(row));
    if (!record || record->nKind != DiskDeviceRecord::kKindImage) return;
    m_page->DeleteRow(row);
    const uint32_t number = record->nImageNumber;
    m_images.remove_if([&](DiskDeviceRecord& image) {
        if (image.nImageNumber != number) return false;
        if (m_chosen == &image) m_chosen = nullptr;
        delete image.pDevice;
        return true;
    });
    m_selection = nullptr;
}

int CLostRecoveryDiskDeviceSelectController::IsDriveOnSelectedSource(char driveLetter)
{
    if (!m_chosen || m_chosen->nKind != DiskDeviceRecord::kKindDisk) return 0;
    const VolumeDeviceRecord* volume = FindVolumeByDriveLetter(driveLetter, m_volumes);
    if (!volume) return 0;
    return HasMemberOn(*volume, m_chosen->pDevice) ? 1 : 0;
}

std::string CLostRecoveryDiskDeviceSelectController::ResultText(const DiskDeviceRecord& record)
{
    const bool image = record.nKind == DiskDeviceRecord::kKindImage;
    std::string text = m_page ? m_page->LoadString(image ? kResultsForImage : kResultsForDisk) : std::string();
    text += '"';
    text += image ? record.szImageName : record.szDescription;
    text += '"';
    if (text.size() > 259) {
        size_t cut = 259;
        // Cut on a character boundary.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    return text;
}

bool CLostRecoveryDiskDeviceSelectController::next()
{
    IWizardServices* services = GetWizardServices();
    m_chosen = nullptr;
    GetRecoverySettings()->m_selectedSourceName.clear();
    const int row = m_page ? m_page->GetSelectedRow() : -1;
    if (row < 0) {
        if (m_page) m_page->ShowMessage(kSelectDisk, wizmsg::kIconInformation);
        return false;
    }
    auto* record = static_cast<DiskDeviceRecord*>(m_page->GetRowItem(row));
    if (!record) {
        // "Previous Recovery...": a restored chain shows its own page; nothing is searched.
        const bool restored = Restorer() && Restorer()(this);
        if (!restored) m_page->ShowMessage(kRestoreFailed, wizmsg::kIconInformation);
        return false;
    }
    services->ReportTimedEvent(kEventSearchStarted, plat::GetTickCount() - m_timeMark);
    m_chosen = record;
    return SearchChosen();
}

bool CLostRecoveryDiskDeviceSelectController::SearchChosen()
{
    IWizardServices* services = GetWizardServices();
    DiskDeviceRecord* record = m_chosen;
    const bool image = record->nKind == DiskDeviceRecord::kKindImage;
    // Lost partitions are named after the disk ("sdb (NTFS 1)"), never after a letter or a present volume.
    CRecoverySettings* options = GetRecoverySettings();
    options->m_selectedSourceName.clear();
    options->m_selectedDriveLetter = 255;
    options->m_selectedDeviceName =
        image ? std::string(record->szImageName) : NameDisk(record->pDevice, plat::ListBlockDevices());
    services->LogSearchDevice(true, image, record->szDescription, record->bUsb != 0, record->szImageName,
                              record->szImagePath);

    std::vector<CLostPartitionRecord> found;
    const PartitionSearchResult result = GetLostPartitionSearch()(*record, found);
    if (result == PartitionSearchResult::Failed) {
        LogInfo("Lost partition search failed");
        FreeWindows(found);
        return false;
    }
    if (result == PartitionSearchResult::Cancelled) {
        // The partitions found before the cancel go on like a complete result; without any the user is
        // back at the disk list.
        LogInfo("Lost partition search cancelled with %zu partitions found", found.size());
        if (found.empty()) return false;
    }
    // No lost partition: the whole disk is searched only when the user asks for it.
    if (found.empty() && !m_page->AskFullScanAfterEmptySearch()) return false;

    std::vector<CLostPartitionRecord*> partitions;
    partitions.reserve(found.size());
    for (const CLostPartitionRecord& r : found) partitions.push_back(new CLostPartitionRecord(r));
    CLostRecoveryPartitionDeviceSelectController* next = GetLostRecoveryPartitionDeviceSelectController();
    next->SetPrevious(this);
    next->SetFoundPartitions(partitions);
    next->Activate();
    return true;
}

CLostRecoveryDiskDeviceSelectController* GetLostRecoveryDiskDeviceSelectController()
{
    static CLostRecoveryDiskDeviceSelectController controller;
    return &controller;
}
