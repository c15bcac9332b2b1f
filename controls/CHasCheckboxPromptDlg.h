// A small modal message with an information icon, a text, the check box "Don't show this message again."
// and an OK button; its one result is whether the box was ticked when OK was pressed.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"

class QCheckBox;
class QLabel;

class CHasCheckboxPromptDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 446;
    static constexpr unsigned kIconId = 1193;
    static constexpr unsigned kTextId = 1192;
    static constexpr unsigned kCheckId = 1139;

    CHasCheckboxPromptDlg(const QString& lpszText, QWidget* pParent);
    ~CHasCheckboxPromptDlg() override;

    // 1 when OK was pressed with the box ticked; 0 otherwise (also after Escape or the close box).
    int GetDontShowAgain() const { return m_bDontShowAgain; }

    QCheckBox* CheckBox() const { return m_check; }
    CButtonPlus* OKButton() { return &m_btnOK; }
    QLabel* TextLabel() const { return m_text; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    QString m_strText;
    QLabel* m_icon;
    QLabel* m_text;
    QCheckBox* m_check;
    CButtonPlus m_btnOK{437, 436, 435, 434};
    int m_bDontShowAgain = 0;
};
