// The controller of format recovery's scan-partition page (page 7). It keeps what the intelligent search of
// the device page found (the scanners, the ranked partitions and the signature hits), lists the partitions
// for the user to tick, builds the tree of each ticked partition under one root and hands that root to the
// found-file controller. User-interface thread only.
#pragma once

#include "controller/IWizardPageController.h"
#include "controller/WizardTypes.h"
#include "filesystems/common/IFileSystemSearchController.h"

#include <cstdint>
#include <memory>
#include <vector>

class CRawFileList;
class IScanPartitionView;
class IStorageDevice;

class CCompleteRecoveryScanPartitionDeviceSelectController : public IWizardPageController {
public:
    static constexpr unsigned kReturnToDevices = 134; // "Return to devices list?"
    static constexpr unsigned kNoPartition = 135;     // "Select a device to recover please."
    static constexpr unsigned kNothingTicked = 136;   // "Please choose a partition to recover."
    static constexpr unsigned kTooManyTicked = 137;   // "... no more than 4 !"
    static constexpr unsigned kNoFilesFound = 61248;  // "No files found!"
    static constexpr int kMaxTicked = 4;
    static constexpr unsigned kEventBuildStarted = 8217, kEventBuildCancelled = 8224, kEventBuiltFormat = 8225,
                              kEventBuiltPartition = 8247;

    // What one build of the ticked partitions came to.
    enum class BuildOutcome {
        Refused,   // nothing to build: no partition, none or too many ticked (the user was told)
        Cancelled, // the user stopped the build; nothing was kept
        NoFiles,   // built, but without a file (the user was told)
        Shown      // the found-file page shows the trees
    };

    CCompleteRecoveryScanPartitionDeviceSelectController();
    ~CCompleteRecoveryScanPartitionDeviceSelectController() override;

    // The page (not owned); null detaches it.
    void SetPage(IScanPartitionView* page) { m_page = page; }
    IScanPartitionView* GetPage() const { return m_page; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void ShowAdvanceSetting() override;
    int GetControllerType() override { return m_values.controllerType; }
    int GetScanKind() override { return m_previous ? m_previous->GetScanKind() : kScanNone; }
    CSelectedDevice* GetSelection(CSelectedDevice* selection) override;
    void Reset() override;
    // The scanners with their state, the signature hits and the found partitions; restored over the device
    // that the previous controller chose, without searching again.
    int SaveState(IRSData* stream, IDIRBuildCallback* progress) override;
    int RestoreState(IRSData* stream, IDIRBuildCallback* progress) override;

    // Takes over what a search found and lists the partitions on the page.
    void SetSearchResult(CSearchedPartitionList& partitions,
                         std::vector<std::unique_ptr<IFileSystemSearchController>>& scanners,
                         std::unique_ptr<CRawFileList> hits);
    // next's work; passedThrough: the page was never shown, so the found-file page goes back to the device
    // page. next passes it through only while the page has not shown these partitions.
    BuildOutcome BuildTickedPartitions(bool passedThrough);

    // The rows ticked on the page (the recommended ones after SetSearchResult); 0 without a page.
    int GetTickedCount() const;
    const CSearchedPartitionList& GetPartitions() const { return m_partitions; }
    size_t GetScannerCount() const { return m_scanners.size(); }
    CRawFileList* GetRawFileList() const { return m_hits.get(); }

protected:
    // What a scan-partition page of another road changes: its page, its type in state files, its messages
    // (noPartition 0: an empty list is refused without one) and the events of a build.
    struct PageValues {
        WIZARD_PAGE page;
        int controllerType;
        unsigned returnToDevices, noPartition, nothingTicked, tooManyTicked;
        unsigned eventBuildStarted, eventBuildCancelled;
    };
    explicit CCompleteRecoveryScanPartitionDeviceSelectController(const PageValues& values);
    // The device the partitions lie on: the previous controller's selection.
    virtual IStorageDevice* ScannedDevice();
    // Fills the page's list from the partitions kept here, with the device they were found on.
    virtual void ShowPartitionsOnPage();

    IScanPartitionView* m_page = nullptr;

private:
    const PageValues m_values;
    std::vector<std::unique_ptr<IFileSystemSearchController>> m_scanners;
    CSearchedPartitionList m_partitions;
    std::unique_ptr<CRawFileList> m_hits;
    IWizardPageController* m_previous = nullptr;
    uint32_t m_timeMark = 0;
    bool m_shown = false; // the page showed the partitions kept here
};

// The process-wide controller, made on first use.
CCompleteRecoveryScanPartitionDeviceSelectController* GetCompleteRecoveryScanPartitionDeviceSelectController();
