// Page 6 of the wizard: the folder that receives the recovered files. The sheet shows it inside the
// save-path dialog: a summary of the checked files, the path edit, the folder tree and a pie of the target
// volume's space. User-interface thread only.
#pragma once

#include "controller/ISaveFileView.h"
#include "wizard/CWizardPage.h"

#include <QString>

class CEditPlus;
class CPieCtrl;
class CSaveFileController;
class CShellTreeCtrl;

class CSaveFilePage : public CWizardPage, public ISaveFileView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 25;
    static constexpr int kEditId = 1019;
    static constexpr unsigned kSelectLocation = 206, kPathLabel = 205, kSummary = 387;
    static constexpr unsigned kBackground = 0xF0F0F0;

    CSaveFilePage();
    ~CSaveFilePage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CSaveFileController* pController);

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;
    bool IsShownAsDialog() const override { return true; }
    void RunAsDialog(CWizardSheet& sheet) override;

    // ISaveFileView.
    std::string GetPathText() override;
    void SetStatistics(uint64_t checkedBytes, int checkedFiles) override;
    void ResetPath() override;
    int ShowMessage(unsigned stringId, unsigned type) override;
    SaveRunResult RunSave(CFileNode* root, IStorageDevice* device, const std::string& folder) override;

    void ClearPath();
    void UpdateFreeSpace();
    void OnFolderSelected(QString path);
    QString SummaryText() const;

    CEditPlus* PathEdit() const { return m_edit; }
    CShellTreeCtrl* FolderTree() const { return m_tree; }
    CPieCtrl* Pie() const { return m_pie; }

protected:
    int OnCreate() override;

private:
    CSaveFileController* m_controller = nullptr;
    CEditPlus* m_edit = nullptr;
    CShellTreeCtrl* m_tree = nullptr;
    CPieCtrl* m_pie = nullptr;
    QString m_path;
    uint64_t m_checkedBytes = 0;
    int m_checkedFiles = 0;
    QFont m_textFont;
};
