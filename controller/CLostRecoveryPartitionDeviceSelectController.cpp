// The found-partition controller of partition recovery.
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"

#include "core/bytes/ParseStatus.h"
#include "controller/CFileSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "controller/IFoundPartitionView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "controller/TreeBuildRunner.h"
#include "controller/WholeDeviceSearch.h"
#include "controller/WizardStateFiles.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/DeviceRecords.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Log.h"
#include "storage/recoverystate/RSPartitionList.h"

#include <algorithm>
#include <list>

CLostRecoveryPartitionDeviceSelectController::CLostRecoveryPartitionDeviceSelectController() = default;

CLostRecoveryPartitionDeviceSelectController::~CLostRecoveryPartitionDeviceSelectController()
{
    // Only what this controller owns: the other singletons may be gone already at exit.
    m_chosen = nullptr;
    DeletePartitionList(m_found);
}

bool& CLostRecoveryPartitionDeviceSelectController::HintFlag()
{
    static bool show = true;
    return show;
}

void CLostRecoveryPartitionDeviceSelectController::Activate()
{
    if (m_found.empty()) {
        // Nothing to choose from: the whole disk is searched, and page 4 never shows.
        FullScan();
        return;
    }
    SetCurrentControllerStatus(this);
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_LOST_RECOVERY_PARTITION);
}

void CLostRecoveryPartitionDeviceSelectController::Home()
{
    Reset();
    if (m_previous) m_previous->Home();
    if (m_page) m_page->UncheckFullScan();
    m_fullScan = 0;
}

void CLostRecoveryPartitionDeviceSelectController::Back()
{
    Reset();
    if (m_previous) m_previous->Activate();
    if (m_page) m_page->UncheckFullScan();
    m_fullScan = 0;
}

bool CLostRecoveryPartitionDeviceSelectController::next()
{
    return m_fullScan ? FullScan() : RecoverChosenPartition();
}

void CLostRecoveryPartitionDeviceSelectController::ShowAdvanceSetting()
{
    GetWizardServices()->ShowAdvanceSetting(true);
}

CSelectedDevice* CLostRecoveryPartitionDeviceSelectController::GetSelection(CSelectedDevice* selection)
{
    if (m_chosen) {
        if (selection) selection->Set(CSelectedDevice::kFoundPartition, m_chosen);
        return selection;
    }
    if (m_previous) return m_previous->GetSelection(selection);
    return IWizardPageController::GetSelection(selection);
}

void CLostRecoveryPartitionDeviceSelectController::Reset()
{
    // The found-file page may still show a tree read through one of the windows: it goes first.
    CFileSelectController* files = GetFileSelectController();
    if (files->GetPrevious() == this) files->Reset();
    m_chosen = nullptr;
    DeletePartitionList(m_found);
    if (m_page) m_page->ClearRows();
}

void CLostRecoveryPartitionDeviceSelectController::SetFoundPartitions(
    const std::vector<CLostPartitionRecord*>& partitions)
{
    if (&partitions != &m_found) {
        m_chosen = nullptr;
        DeletePartitionList(m_found);
        m_found = partitions;
    }
    GetWizardServices()->LogLostPartitionList(std::list<CLostPartitionRecord*>(m_found.begin(), m_found.end()));
    ShowFoundPartitions();
    SaveRecoveryStateWithProgress(this, 0);
}

int CLostRecoveryPartitionDeviceSelectController::SaveState(IRSData* stream, IDIRBuildCallback*)
{
    return SavePartitionList(m_found, m_chosen, stream) ? 1 : 0;
}

int CLostRecoveryPartitionDeviceSelectController::RestoreState(IRSData* stream, IDIRBuildCallback*)
{
    CSelectedDevice selection;
    IStorageDevice* disk = m_previous && m_previous->GetSelection(&selection) ? selection.GetDevice() : nullptr;
    if (!disk) return 0;
    // A tree still shown from the partitions about to be replaced reads through their windows: it goes first.
    CFileSelectController* files = GetFileSelectController();
    if (files->GetPrevious() == this) files->Reset();
    LoadPartitionList(m_found, m_chosen, disk, stream);
    ShowFoundPartitions();
    return 1;
}

void CLostRecoveryPartitionDeviceSelectController::ShowFoundPartitions()
{
    if (!m_page) return;
    m_page->ClearRows();
    for (CLostPartitionRecord* record : m_found) {
        DeviceRow row;
        row.icon = kIconFoundPartition;
        row.sectors = record->u64SectorCount;
        row.sectorSize = record->pDevice ? uint32_t(record->pDevice->GetSectorSize()) : 0;
        row.name = std::string(record->szLabel) + "-" + GetFileSystemName(record->nFileSystemKind);
        row.item = record;
        m_page->AddRow(row);
    }
}

CFileSystemNode*
CLostRecoveryPartitionDeviceSelectController::BuildFoundPartitionTree(const CLostPartitionRecord& record)
{
    IStorageDevice* device = record.pDevice;
    if (!device) return nullptr;
    const FileSystemKindInfo* fs = FindFileSystemKind(record.nFileSystemKind);
    if (!fs) return nullptr;
    // A found partition lists every file (not only folders and deleted entries).
    const TreeBuildJob job = [device, fs](IDIRBuildCallback* cb, bool* stop) {
        bytes::ParseResult result;
        CFileSystemNode* tree = fs->buildVolumeTree(device, true, cb, &result);
        *stop = result.status == bytes::ParseStatus::Cancelled;
        return tree;
    };
    bool cancelled = false;
    CFileSystemNode* tree = GetTreeBuildRunner()(job, &cancelled);
    if (cancelled && tree) {
        DeleteFoundTree(tree);
        tree = nullptr;
    }
    return tree;
}

bool CLostRecoveryPartitionDeviceSelectController::RecoverChosenPartition()
{
    IWizardServices* services = GetWizardServices();
    const int row = m_page ? m_page->GetSelectedRow() : -1;
    auto* record = row >= 0 ? static_cast<CLostPartitionRecord*>(m_page->GetRowItem(row)) : nullptr;
    if (!record) {
        if (m_page) m_page->ShowMessage(kSelectPartition, wizmsg::kIconInformation);
        return false;
    }
    m_chosen = record;
    if (!record->pDevice) {
        m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
        return false;
    }
    services->LogBuildDirectory(row);
    CFileSystemNode* tree = BuildFoundPartitionTree(*record);
    if (!tree) {
        services->LogRecoveryPhase(4);
        m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
        return false;
    }
    CFileSystemNode* root = CreateRootNode();
    if (!root) {
        DeleteFoundTree(tree);
        m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
        return false;
    }
    root->AddChild(tree);
    root->RecomputeStatistics();
    if (HintFlag()) HintFlag() = !m_page->ShowFullScanHint();
    FileTreeStatistics statistics;
    if (!root->GetStatistics(statistics) || statistics.files < 1) {
        DeleteFoundTree(root);
        m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation);
        return true;
    }
    CFileSelectController* files = GetFileSelectController();
    files->SetPrevious(this);
    files->SetRoot(root);
    files->Activate();
    return true;
}

bool CLostRecoveryPartitionDeviceSelectController::FullScan()
{
    m_chosen = nullptr;
    CSelectedDevice selection;
    if (m_previous) m_previous->GetSelection(&selection);
    const DiskDeviceRecord* disk = selection.GetDisk();
    if (!disk || !disk->pDevice || !m_page) return false;
    GetWizardServices()->LogSearchDevice(false, disk->nKind == DiskDeviceRecord::kKindImage, disk->szDescription,
                                         disk->bUsb != 0, disk->szImageName, disk->szImagePath);
    // Page 4 was skipped when there was nothing to choose: what follows leads back to the disk page.
    IWizardPageController* handOver = m_found.empty() ? m_previous : this;
    switch (
        SearchWholeDevice(disk->pDevice, *m_page, handOver, *GetLostRecoveryScanPartitionDeviceSelectController())) {
    case WholeDeviceSearchOutcome::NoFiles: m_page->ShowMessage(kNothingFound, wizmsg::kIconInformation); return false;
    case WholeDeviceSearchOutcome::FilesShown:
    case WholeDeviceSearchOutcome::ScanTookOver: return true;
    default: return false; // cancelled: the page the search started from stays
    }
}

CLostRecoveryPartitionDeviceSelectController* GetLostRecoveryPartitionDeviceSelectController()
{
    static CLostRecoveryPartitionDeviceSelectController controller;
    return &controller;
}
