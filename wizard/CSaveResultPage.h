// Page 5 of the wizard: the end of a save. The sheet shows it inside the save-result dialog: a banner,
// the summary of the save (result, counts, the folders made) and OK, which closes the dialog.
// User-interface thread only.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CMaskedBitmap.h"
#include "storage/saving/SaveVerdict.h"
#include "wizard/CWizardPage.h"

#include <QStringList>

class CFileSaveDlg;
class CSaveResultController;

class CSaveResultPage : public CWizardPage {
    Q_OBJECT
public:
    static constexpr int kHelpId = 27;
    static constexpr int kOkId = 1019;
    static constexpr unsigned kBanner = 448;

    CSaveResultPage();
    ~CSaveResultPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CSaveResultController* pController);

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;
    bool IsShownAsDialog() const override { return true; }
    void RunAsDialog(CWizardSheet& sheet) override;

    void SetSavedFolders(const QStringList& folders) { m_folders = folders; }
    void SetTargetFolder(const QString& folder) { m_target = folder; }
    // What the save came to (the result controller's figures).
    void SetTally(const SaveTally& tally) { m_tally = tally; }
    void ShowResult();

    CFileSaveDlg* Summary() const { return m_summary; }
    CButtonPlus& OkButton() { return m_ok; }

protected:
    int OnCreate() override;

private:
    CSaveResultController* m_controller = nullptr;
    CFileSaveDlg* m_summary = nullptr;
    CButtonPlus m_ok;
    CMaskedBitmap m_banner;
    QStringList m_folders;
    QString m_target;
    SaveTally m_tally;
};
