// The controller of the found-partition page of partition recovery (page 4). It lists the lost partitions
// that the disk controller's search found; next builds the tree of the chosen one and shows it on the
// found-file page, or, with "Full Scan" ticked, searches the whole disk as format recovery does. When the
// list is empty (the user asked for the whole-disk search after a search that found nothing) the page is
// skipped and the whole disk is searched at once. User-interface thread only.
#pragma once

#include "controller/ILostRecoveryPartitionDeviceSelectController.h"
#include "filesystems/common/CLostPartitionRecord.h"

#include <vector>

class CFileSystemNode;
class IFoundPartitionView;

class CLostRecoveryPartitionDeviceSelectController : public ILostRecoveryPartitionDeviceSelectController {
public:
    static constexpr unsigned kSelectPartition = 143; // "Select a partition to recover please."
    static constexpr unsigned kNothingFound = 61248;  // "No files found!"
    static constexpr int kIconFoundPartition = 3;

    CLostRecoveryPartitionDeviceSelectController();
    ~CLostRecoveryPartitionDeviceSelectController() override;

    // The page (not owned).
    void SetPage(IFoundPartitionView* page) { m_page = page; }
    IFoundPartitionView* GetPage() const { return m_page; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void ShowAdvanceSetting() override;
    int GetControllerType() override { return 3; }
    int GetScanKind() override { return m_previous ? m_previous->GetScanKind() : kScanNone; }
    CSelectedDevice* GetSelection(CSelectedDevice* selection) override;
    void Reset() override;
    void SetFullScan(int fullScan) override { m_fullScan = fullScan; }
    // The found partitions with the chosen one; restored over the disk that the previous controller chose.
    int SaveState(IRSData* stream, IDIRBuildCallback* progress) override;
    int RestoreState(IRSData* stream, IDIRBuildCallback* progress) override;
    int GetFullScan() const { return m_fullScan; }

    // Takes the found partitions (records and their window devices) in search order and lists them.
    void SetFoundPartitions(const std::vector<CLostPartitionRecord*>& partitions);
    // The found partitions, owned here; a restored state replaces them (then call ShowFoundPartitions).
    std::vector<CLostPartitionRecord*>& GetFoundPartitions() { return m_found; }
    CLostPartitionRecord*& ChosenPartition() { return m_chosen; }
    // Fills the page's list from the found partitions.
    void ShowFoundPartitions();

    // Builds the selected row's partition and shows its files; false (page stays) when nothing came of it.
    bool RecoverChosenPartition();
    // The intelligent search of the whole disk chosen on the disk page.
    bool FullScan();
    // The tree of a found partition by its file-system kind, through the tree-build runner; null when the
    // kind has no builder, the build fails or the user cancels it.
    static CFileSystemNode* BuildFoundPartitionTree(const CLostPartitionRecord& record);

    // Whether the "Full scan" hint still shows after a successful build.
    static bool& HintFlag();

private:
    IWizardPageController* m_previous = nullptr;
    IFoundPartitionView* m_page = nullptr;
    int m_fullScan = 0;
    std::vector<CLostPartitionRecord*> m_found;
    CLostPartitionRecord* m_chosen = nullptr;
};

// The process-wide controller, made on first use.
CLostRecoveryPartitionDeviceSelectController* GetLostRecoveryPartitionDeviceSelectController();
