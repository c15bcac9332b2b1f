// Page 5 of the wizard: the end of a save. The sheet shows it inside the save-result dialog: a banner,
// the summary of the save (result, counts, the folders made) and OK, which closes the dialog.
// User-interface thread only.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CMaskedBitmap.h"
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
    void SetRecoveredCount(int count) { m_recovered = count; }
    void SetToRecoverCount(int count) { m_toRecover = count; }
    void SetSourceShort(bool sourceShort) { m_sourceShort = sourceShort; }
    // Files saved with unreadable parts, and files not saved.
    void SetPartialCounts(int partial, int failed)
    {
        m_partial = partial;
        m_failed = failed;
    }
    // Why the first file that failed was not saved.
    void SetFirstReason(const QString& reason) { m_reason = reason; }
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
    int m_recovered = 0;
    int m_toRecover = 0;
    bool m_sourceShort = false;
    int m_partial = 0;
    int m_failed = 0;
    QString m_reason;
};
