// Format recovery's scan-partition controller.
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"

#include "controller/CFileSelectController.h"
#include "controller/IScanPartitionView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "controller/WizardStateFiles.h"
#include "core/CRecoverySettings.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "storage/recoverystate/RSScanSections.h"

CCompleteRecoveryScanPartitionDeviceSelectController::CCompleteRecoveryScanPartitionDeviceSelectController()
    : CCompleteRecoveryScanPartitionDeviceSelectController(
          PageValues{WP_COMPLETE_RECOVERY_SCAN_PARTITION, 1, kReturnToDevices, kNoPartition, kNothingTicked,
                     kTooManyTicked, kEventBuildStarted, kEventBuildCancelled})
{
}

CCompleteRecoveryScanPartitionDeviceSelectController::CCompleteRecoveryScanPartitionDeviceSelectController(
    const PageValues& values)
    : m_values(values)
{
}

CCompleteRecoveryScanPartitionDeviceSelectController::~CCompleteRecoveryScanPartitionDeviceSelectController()
{
    m_page = nullptr;
    Reset();
}

void CCompleteRecoveryScanPartitionDeviceSelectController::Activate()
{
    m_timeMark = plat::GetTickCount();
    m_shown = true;
    SetCurrentControllerStatus(this);
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(m_values.page);
}

void CCompleteRecoveryScanPartitionDeviceSelectController::Home()
{
    Reset();
    if (m_previous) m_previous->Home();
}

void CCompleteRecoveryScanPartitionDeviceSelectController::Back()
{
    if (m_page &&
        m_page->ShowMessage(m_values.returnToDevices, wizmsg::kYesNo | wizmsg::kIconQuestion) != wizmsg::kAnswerYes)
        return;
    Reset();
    if (m_previous) m_previous->Activate();
}

void CCompleteRecoveryScanPartitionDeviceSelectController::ShowAdvanceSetting()
{
    GetWizardServices()->ShowAdvanceSetting(false);
}

CSelectedDevice* CCompleteRecoveryScanPartitionDeviceSelectController::GetSelection(CSelectedDevice* selection)
{
    if (m_previous) return m_previous->GetSelection(selection);
    return IWizardPageController::GetSelection(selection);
}

void CCompleteRecoveryScanPartitionDeviceSelectController::Reset()
{
    // The rows point at the partitions: they go first.
    if (m_page) m_page->ClearPartitions();
    for (CSearchedPartitionInfo* partition : m_partitions) DeleteSearchedPartitionInfo(partition);
    m_partitions.clear();
    m_scanners.clear();
    m_hits.reset();
    m_shown = false;
}

void CCompleteRecoveryScanPartitionDeviceSelectController::SetSearchResult(
    CSearchedPartitionList& partitions, std::vector<std::unique_ptr<IFileSystemSearchController>>& scanners,
    std::unique_ptr<CRawFileList> hits)
{
    if (m_page) m_page->SetWaitCursor(true);
    Reset();
    for (auto& scanner : scanners) m_scanners.push_back(std::move(scanner));
    scanners.clear();
    m_partitions.splice(m_partitions.end(), partitions);
    m_hits = std::move(hits);
    GetWizardServices()->LogSearchedPartitionList(m_partitions);
    if (m_page) {
        ShowPartitionsOnPage();
        m_page->SetWaitCursor(false);
    }
    SaveRecoveryStateWithProgress(this, 0);
}

int CCompleteRecoveryScanPartitionDeviceSelectController::SaveState(IRSData* stream, IDIRBuildCallback*)
{
    CSearchControllerList scanners;
    for (auto& scanner : m_scanners) scanners.push_back(scanner.get());
    SaveSearchControllers(scanners, stream);
    SaveRawFileList(m_hits.get(), stream);
    SaveSearchedPartitions(m_partitions, stream);
    return 1;
}

IStorageDevice* CCompleteRecoveryScanPartitionDeviceSelectController::ScannedDevice()
{
    CSelectedDevice selection;
    GetSelection(&selection);
    return selection.GetDevice();
}

void CCompleteRecoveryScanPartitionDeviceSelectController::ShowPartitionsOnPage()
{
    CSelectedDevice selection;
    GetSelection(&selection);
    if (m_page) m_page->ShowVolumePartitions(m_partitions, selection.GetVolume());
}

int CCompleteRecoveryScanPartitionDeviceSelectController::RestoreState(IRSData* stream, IDIRBuildCallback*)
{
    IStorageDevice* device = ScannedDevice();
    if (!device) return 0;
    Reset();
    CSearchControllerList loaded;
    LoadSearchControllers(loaded, stream);
    for (IFileSystemSearchController* scanner : loaded) m_scanners.emplace_back(scanner);
    m_hits.reset(LoadRawFileList(stream));
    for (auto& scanner : m_scanners) {
        scanner->SetRawFileList(m_hits.get());
        scanner->SetDevice(device);
    }
    LoadSearchedPartitions(m_partitions, stream);
    ShowPartitionsOnPage();
    return 1;
}

int CCompleteRecoveryScanPartitionDeviceSelectController::GetTickedCount() const
{
    return m_page ? m_page->GetCheckedCount() : 0;
}

bool CCompleteRecoveryScanPartitionDeviceSelectController::next()
{
    // The user ticked on the page: Back from the found files returns to it.
    const BuildOutcome outcome = BuildTickedPartitions(!m_shown);
    return outcome == BuildOutcome::Shown || outcome == BuildOutcome::NoFiles;
}

CCompleteRecoveryScanPartitionDeviceSelectController::BuildOutcome
CCompleteRecoveryScanPartitionDeviceSelectController::BuildTickedPartitions(bool passedThrough)
{
    IWizardServices* services = GetWizardServices();
    const int rows = m_page ? m_page->GetRowCount() : 0;
    if (rows <= 0) {
        if (m_page && m_values.noPartition) m_page->ShowMessage(m_values.noPartition, wizmsg::kIconInformation);
        return BuildOutcome::Refused;
    }
    // The counts are checked before the root is made, so a refusal leaves nothing behind.
    const int ticked = m_page->GetCheckedCount();
    if (ticked < 1) {
        m_page->ShowMessage(m_values.nothingTicked, wizmsg::kIconInformation);
        return BuildOutcome::Refused;
    }
    if (ticked > kMaxTicked) {
        m_page->ShowMessage(m_values.tooManyTicked, wizmsg::kIconInformation);
        return BuildOutcome::Refused;
    }
    IStorageDevice* device = ScannedDevice();
    if (!device) return BuildOutcome::Refused;
    CFileSystemNode* root = CreateRootNode();
    if (!root) return BuildOutcome::Refused;
    if (m_timeMark != 0) services->ReportTimedEvent(m_values.eventBuildStarted, plat::GetTickCount() - m_timeMark);

    // The ticked partitions in row order, taken on this thread before the build starts.
    std::vector<std::pair<int, CSearchedPartitionInfo*>> chosen;
    for (int row = 0; row < rows; ++row)
        if (m_page->IsRowChecked(row))
            if (CSearchedPartitionInfo* partition = m_page->GetRowPartition(row)) chosen.emplace_back(row, partition);
    CSearchControllerList scanners;
    for (auto& scanner : m_scanners) scanners.push_back(scanner.get());

    m_timeMark = plat::GetTickCount();
    bool stopped = false;
    const bool cancelled = m_page->RunBuild([&](IDIRBuildCallback* callback) {
        int built = 0;
        for (const auto& [row, partition] : chosen) {
            services->LogBuildDirectory(row);
            if (CFileSystemNode* tree = DispatchBuildDirectory(scanners, partition, device, built, callback))
                root->AddChild(tree);
            ++built;
            if (callback && callback->CheckCancel() == -1) {
                stopped = true;
                break;
            }
        }
    });
    if (cancelled || stopped) {
        services->ReportTimedEvent(m_values.eventBuildCancelled, plat::GetTickCount() - m_timeMark);
        DeleteFoundTree(root);
        return BuildOutcome::Cancelled;
    }
    const int mode = GetRecoverySettings()->m_recoveryMode;
    if (mode == kModeFormat || mode == kModePartition)
        services->ReportTimedEvent(mode == kModeFormat ? kEventBuiltFormat : kEventBuiltPartition,
                                   plat::GetTickCount() - m_timeMark);

    root->RecomputeStatistics();
    FileTreeStatistics statistics;
    if (!root->GetStatistics(statistics) || statistics.files < 1) {
        DeleteFoundTree(root);
        m_page->ShowMessage(kNoFilesFound, wizmsg::kIconInformation);
        m_timeMark = 0;
        return BuildOutcome::NoFiles;
    }
    LogInfo("CCompleteRecoveryScanPartitionDeviceSelectController::next begin!\n");
    CFileSelectController* files = GetFileSelectController();
    files->SetPrevious(passedThrough ? m_previous : this);
    files->SetRoot(root);
    files->Activate();
    LogInfo("CCompleteRecoveryScanPartitionDeviceSelectController::next end!\n");
    m_timeMark = 0;
    return BuildOutcome::Shown;
}

CCompleteRecoveryScanPartitionDeviceSelectController* GetCompleteRecoveryScanPartitionDeviceSelectController()
{
    static CCompleteRecoveryScanPartitionDeviceSelectController controller;
    return &controller;
}
