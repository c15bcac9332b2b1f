// Page 4 of the wizard: the lost partitions found on the chosen disk, one to pick and build, and the
// "Full Scan" box that searches the whole disk instead. A click on a row unticks Full Scan; ticking it
// clears the row selection. User-interface thread only.
#pragma once

#include "controller/IFoundPartitionView.h"
#include "wizard/CDeviceSelectPage.h"

class CLostRecoveryPartitionDeviceSelectController;

class CLostRecoveryPartitionDeviceSelectPage : public CDeviceSelectPage, public IFoundPartitionView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 51;
    static constexpr int kFullScanId = 1016;
    static constexpr unsigned kCmdRecover = 1017, kCmdProperties = 32776;
    static constexpr unsigned kTitleString = 187;    // "Select a partition and click Next to recover:"
    static constexpr unsigned kFullScanString = 188; // "Full Scan ( If the partition is not found, ... )"
    static constexpr unsigned kRecoverString = 189;
    static constexpr unsigned kHintString = 61250; // "If the files you need are not found, ..."

    CLostRecoveryPartitionDeviceSelectPage();
    ~CLostRecoveryPartitionDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CLostRecoveryPartitionDeviceSelectController* pController);

    void Layout(int iClientWidth, int iClientHeight) override;
    void DrawTitle(QPainter* pDC) override;
    bool OnCommand(unsigned id) override;

    // IFoundPartitionView.
    void ClearRows() override;
    void AddRow(const DeviceRow& row) override;
    int GetSelectedRow() override;
    void* GetRowItem(int row) override;
    int ShowMessage(unsigned stringId, unsigned type) override;
    bool ShowFullScanHint() override;
    void UncheckFullScan() override;
    IntelligentSearchEnd RunSearch(IStorageDevice* device, const CSearchControllerList& scanners,
                                   CSearchedPartitionList& found) override;
    void BuildRawTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent) override;

    CTransButton* FullScanBox() const { return m_fullScan; }
    // The rectangle of the Full Scan box for a page cx pixels wide.
    static QRect FullScanRect(int cx);

protected:
    int OnCreate() override;
    void customEvent(QEvent* e) override;
    void OnListMessage(unsigned message) override;

private:
    void ShowRowMenu();
    void ShowProperties();

    CLostRecoveryPartitionDeviceSelectController* m_controller = nullptr;
    CTransButton* m_fullScan = nullptr;
};
