// Page 9 of the wizard: the tree of found files. The folder tree with tri-state checks on the left and the
// files of the selected folder on the right share the first tab; a search opens a second tab with its
// result. Under the views the totals of the tree and of the checked files. The page owns the tree on show
// from ShowRoot to ClearRoot. User-interface thread only.
#pragma once

#include "controller/IFileSelectView.h"
#include "controls/CButtonPlus.h"
#include "controls/Win32Types.h"
#include "wizard/CWizardPage.h"

#include <QString>

#include <utility>
#include <vector>

class CFileListCtrl;
class QDateTime;
class CFileNode;
class CFileSelectController;
class CFileSelectCtrlContainer;
class CFileTreeCtrl;
class CTabCtrlPlus;

class CFileSelectPage : public CWizardPage, public IFileSelectView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 23;
    static constexpr int kTabId = 1314;
    static constexpr unsigned kCmdFind = 1171, kCmdSearch = 1172, kCmdPreview = 1173, kCmdExportState = 1195,
                              kCmdFolderProperties = 32776, kCmdFileProperties = 5001, kCmdPreviewMenu = 5002,
                              kCmdRecoverFile = 5003, kCmdLocate = 5004, kFillerId = 200;
    static constexpr unsigned kTotalString = 385, kSelectedString = 386, kNothingSelected = 272, kFilesTab = 397,
                              kSearchTab = 163, kSelectFileToRecover = 274, kSameDrive = 275, kNotEnoughSpace = 276,
                              kEncryptedNeedsNtfs = 278, kStateFilterString = 401, kExportDone = 61237,
                              kExportFailed = 61238;
    static constexpr COLORREF kFrameColour = RGB(203, 212, 219);

    CFileSelectPage();
    ~CFileSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CFileSelectController* pController);

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;
    bool OnCommand(unsigned id) override;

    // IFileSelectView.
    void ShowRoot(CFileSystemNode* root) override;
    void ClearRoot() override;
    CFileSystemNode* GetRoot() override { return m_root; }
    int ShowMessage(unsigned stringId, unsigned type) override;
    void SetWaitCursor(bool wait) override;

    void UpdateTotals();
    const QString& TotalText() const { return m_totalText; }
    const QString& SelectedText() const { return m_selectedText; }

    // The export's proposed file name: the local date and minute, "_CR" after a format recovery, else "_PR".
    static QString DefaultExportName(const QDateTime& now, int scanKind);
    // The chosen export path with ".rsf" appended unless it ends in exactly that.
    static QString WithExportSuffix(const QString& path);
    // The entries of the tools menu (the bar beside the buttons) with whether each is enabled now.
    std::vector<std::pair<unsigned, bool>> ToolsMenuState() const;
    // Whether the tree on show comes from a recovery that keeps a state file (format or partition recovery).
    bool CanExportState() const;
    CButtonPlus& ToolsBar() { return m_filler; }

    // The search tab's label for a name pattern.
    static QString SearchTabLabel(const QString& prefix, const QString& pattern);

    CTabCtrlPlus* TabStrip() const { return m_tab; }
    CFileSelectCtrlContainer* Container() const { return m_container; }
    CFileTreeCtrl* Tree() const;
    CFileListCtrl* FileList() const;
    CFileListCtrl* SearchList() const { return m_searchList; }
    CFileListCtrl* ActiveList() const;
    CButtonPlus& FindButton() { return m_find; }
    CButtonPlus& PreviewButton() { return m_preview; }

protected:
    int OnCreate() override;
    void customEvent(QEvent* e) override;

private:
    void OnFind();
    void OnSearch();
    void OnPreview();
    void OnFolderProperties();
    void OnFileProperties();
    void OnRecoverFile();
    void OnLocate();
    void OnExportState();
    void ShowToolsMenu();
    void OnTabChanged();
    CFileNode* SelectedNode() const;

    CFileSelectController* m_controller = nullptr;
    CFileSystemNode* m_root = nullptr;
    CTabCtrlPlus* m_tab = nullptr;
    CFileSelectCtrlContainer* m_container = nullptr;
    CFileListCtrl* m_searchList = nullptr;
    CButtonPlus m_find;
    CButtonPlus m_preview;
    CButtonPlus m_filler;
    QFont m_textFont;
    QString m_totalText;
    QString m_selectedText;
};
