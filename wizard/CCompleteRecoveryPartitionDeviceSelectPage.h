// Page 2 of the wizard, shared by format and photo recovery: every volume of the machine and the disk
// images the user opened, searched whole by the controller. Ctrl+O searches any one file as a raw sector
// image. User-interface thread only.
#pragma once

#include "controller/ICompleteRecoveryDeviceView.h"
#include "wizard/CVolumeDeviceSelectPage.h"

class CCompleteRecoveryPartitionDeviceSelectController;

class CCompleteRecoveryPartitionDeviceSelectPage : public CVolumeDeviceSelectPage, public ICompleteRecoveryDeviceView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 50;
    // Refresh shares its id with the hidden check box; the page maps it to Refresh.
    static constexpr unsigned kCmdRefresh = 1010, kCmdImageMenu = 1011, kCmdRecover = 1012;
    // Import of an exported recovery state, from the image menu.
    static constexpr unsigned kCmdImportState = 1013;
    static constexpr unsigned kContinueString = 308, kRemoveString = 395;

    CCompleteRecoveryPartitionDeviceSelectPage();
    ~CCompleteRecoveryPartitionDeviceSelectPage() override;

    int GetHelpContextId() override { return kHelpId; }
    // The controller (not owned); the page becomes its view.
    void SetController(CCompleteRecoveryPartitionDeviceSelectController* pController);
    bool OnCommand(unsigned id) override;

    // ICompleteRecoveryDeviceView.
    IntelligentSearchEnd RunSearch(IStorageDevice* device, const CSearchControllerList& scanners,
                                   CSearchedPartitionList& found) override;
    void BuildRawTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent) override;

protected:
    void ShowRowMenu() override;

private:
    CCompleteRecoveryPartitionDeviceSelectController* m_format = nullptr;
};
