// The whole-device search of format recovery and of partition recovery's Full Scan.
#include "controller/WholeDeviceSearch.h"

#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/IWizardServices.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Log.h"

#include <memory>
#include <vector>

WholeDeviceSearchOutcome SearchWholeDevice(IStorageDevice* device, IWholeDeviceSearchView& view,
                                           IWizardPageController* handOver,
                                           CCompleteRecoveryScanPartitionDeviceSelectController& scan)
{
    IWizardServices* services = GetWizardServices();
    std::vector<std::unique_ptr<IFileSystemSearchController>> scanners =
        CCompleteRecoveryPartitionDeviceSelectController::MakeScanners(*GetRecoverySettings());
    CSearchControllerList list;
    for (auto& scanner : scanners) list.push_back(scanner.get());
    auto hits = std::make_unique<CRawFileList>();
    SetControllersRawFileList(list, hits.get());
    CSearchedPartitionList found;
    const IntelligentSearchEnd end = view.RunSearch(device, list, found);
    if (end == IntelligentSearchEnd::NotRun) return WholeDeviceSearchOutcome::Cancelled;
    // A cancelled search goes on with what it found, like a complete one.
    const bool cancelled = end == IntelligentSearchEnd::Cancelled;
    if (cancelled) services->LogRecoveryPhase(3);

    if (found.empty()) {
        LogInfo("%s", "YRM-Do Not SearchedPartitionInfo");
        services->LogRecoveryPhase(11);
        CFileSystemNode* root = CreateRootNode();
        if (!root) return WholeDeviceSearchOutcome::Failed;
        view.BuildRawTree(hits.get(), device, root);
        root->RecomputeStatistics();
        scanners.clear();
        hits.reset();
        FileTreeStatistics statistics;
        if (!root->GetStatistics(statistics) || statistics.files < 1) {
            services->LogRecoveryPhase(13);
            DeleteFoundTree(root);
            // Stopped before anything was found: the page the search started from stays, without a message.
            return cancelled ? WholeDeviceSearchOutcome::Cancelled : WholeDeviceSearchOutcome::NoFiles;
        }
        CFileSelectController* files = GetFileSelectController();
        files->SetPrevious(handOver);
        files->SetRoot(root);
        files->Activate();
        return WholeDeviceSearchOutcome::FilesShown;
    }

    scan.SetPrevious(handOver);
    scan.SetSearchResult(found, scanners, std::move(hits));
    if (GetRecoverySettings()->m_manuallySelectHistoricalPartitions) {
        scan.Activate();
        return WholeDeviceSearchOutcome::ScanTookOver;
    }
    using Outcome = CCompleteRecoveryScanPartitionDeviceSelectController::BuildOutcome;
    if (scan.GetTickedCount() > 0 && scan.BuildTickedPartitions(true) == Outcome::Shown)
        scan.Reset();
    else
        scan.Activate();
    return WholeDeviceSearchOutcome::ScanTookOver;
}
