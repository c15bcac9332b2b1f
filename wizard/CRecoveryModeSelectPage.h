// Page 0 of the wizard: the recovery modes as four large bitmap buttons over a background picture, with
// the description of the mode under the mouse. A click records the mode in the options and starts the
// wizard's chain through the recovery-mode controller.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CMaskedBitmap.h"
#include "controls/IButtonPromptChange.h"
#include "wizard/CWizardPage.h"

#include <array>
#include <memory>

class IRecoveryModeSelectController;

class CRecoveryModeSelectPage : public CWizardPage, public IButtonPromptChange {
    Q_OBJECT
public:
    static constexpr int kHelpId = 15;
    static constexpr unsigned kBackgroundBitmap = 506;
    // Control ids of the mode buttons: deleted-file, format, partition and photo recovery.
    static constexpr std::array<unsigned, 4> kButtonIds = {1000, 1001, 1002, 2001};
    // Failure codes of the page's making.
    static constexpr int kErrNoBackground = 269;
    static constexpr int kErrNoComment = 271;

    explicit CRecoveryModeSelectPage(unsigned uCommentBmp);
    ~CRecoveryModeSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(IRecoveryModeSelectController* pController);

    void OnPromptChange(unsigned nCtrlID, const QString& strPromptText) override;
    void OnPromptRestore(unsigned nCtrlID) override;
    // The mode commands 1000, 1001, 1002 and 2001.
    bool OnCommand(unsigned id) override;

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;

    CButtonPlus* ModeButton(int index) { return m_buttons[index].get(); }
    const QString& CurrentPrompt() const { return m_currentPrompt; }
    // The description drawn for the current prompt; empty when none matches.
    QString DescriptionShown() const;
    // Where the description is drawn.
    QRect DescriptionRect() const;

protected:
    int OnCreate() override;

private:
    int Init(unsigned uCommentBmp);

    CMaskedBitmap m_comment;
    CMaskedBitmap m_background;
    std::array<std::unique_ptr<CButtonPlus>, 4> m_buttons;
    QString m_defaultPrompt;
    QString m_currentPrompt;
    QString m_descriptions[4]; // no button, deleted-file, format, partition
    QString m_photoDescription;
    IRecoveryModeSelectController* m_controller = nullptr;
};
