// The base of the scan-partition pages (format and partition recovery): the found-partition panel (the
// list with its ticks and options above the to-scale layout) inside a frame, the list's rows made from the
// found partitions, and the option check boxes that switch a partition's FAT copy or "$MFT only" flag.
// User-interface thread only.
#pragma once

#include "controller/IScanPartitionView.h"
#include "views/devices/PartitionListTypes.h"
#include "wizard/CWizardPage.h"

#include <string>
#include <vector>

class CLostPartitionCtrlContainer;
class CMultipleChoosePartitionListCtrl;

class CScanPartitionDeviceSelectPage : public CWizardPage, public IScanPartitionView {
    Q_OBJECT
public:
    static constexpr unsigned kPartitionString = 322, kMftOnlyString = 432;
    static constexpr unsigned kCmdProperties = 32776;
    // Each file-system family lists at most this many partitions.
    static constexpr int kMaxRowsPerFamily = 100;

    // The rows of the partitions in display mode 1 (the best-scored partition alone is recommended: the
    // partitions' flags are changed accordingly) or any other mode (their flags as they are), and the
    // score from which the list calls a partition "Medium".
    struct PartitionRows {
        std::vector<PARTITION_LIST_ITEM> rows;
        double mediumThreshold = 0.5;
    };
    static PartitionRows MakePartitionRows(const CSearchedPartitionList& partitions, int displayMode);
    // Applies an option toggled in a row's options cell to its partition: "$MFT Only" of NTFS, FAT1 and
    // FAT2 of FAT. Other cells, options and kinds change nothing.
    static void ApplyOptionToggle(CSearchedPartitionInfo* partition, int cell, int option, bool checked);

    CScanPartitionDeviceSelectPage();
    ~CScanPartitionDeviceSelectPage() override;

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;
    virtual void DrawTitle(QPainter*) {}

    // Fills the list from a disk's search (partition recovery): mode 4.
    void ShowDiskPartitions(const CSearchedPartitionList& partitions, const DiskDeviceRecord* disk) override;

    // IScanPartitionView.
    void ShowVolumePartitions(const CSearchedPartitionList& partitions, const VolumeDeviceRecord* volume) override;
    void ClearPartitions() override;
    int GetRowCount() override;
    int GetCheckedCount() override;
    bool IsRowChecked(int row) override;
    CSearchedPartitionInfo* GetRowPartition(int row) override;
    int ShowMessage(unsigned stringId, unsigned type) override;
    void SetWaitCursor(bool wait) override;
    bool RunBuild(const std::function<void(IDIRBuildCallback* callback)>& work) override;

    CLostPartitionCtrlContainer* Container() const { return m_container; }
    CMultipleChoosePartitionListCtrl* PartitionList() const;
    // The rectangle the panel fills on a page of that size.
    static QRect PanelRect(int cx, int cy);

protected:
    int OnCreate() override;
    void customEvent(QEvent* e) override;
    bool OnCommand(unsigned id) override;

private:
    void FillPartitionList(const CSearchedPartitionList& partitions, int displayMode);
    void SetLayoutSource(const std::string& name, int kind, uint64_t sectors, uint32_t sectorSize);

    CLostPartitionCtrlContainer* m_container = nullptr;
    std::string m_sourceName;
};
