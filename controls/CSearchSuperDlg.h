// The common base of the program's dialogs: a QDialog that knows the id of its template, lays itself out
// in dialog units, and ends through OnOK / OnCancel with the answers IDOK and IDCANCEL, whether by a
// button, Enter, Escape or the close box.
#pragma once

#include "controls/DialogUnits.h"

#include <QDialog>

class CSearchSuperDlg : public QDialog {
    Q_OBJECT
public:
    // The placeholder template for panes that become child windows later.
    static constexpr unsigned kPlaceholderTemplate = 105;

    CSearchSuperDlg(unsigned nIDTemplate, QWidget* pParent);
    explicit CSearchSuperDlg(QWidget* pParent);
    ~CSearchSuperDlg() override;

    unsigned GetTemplateId() const { return m_templateId; }

    // Runs OnInitDialog once, then shows the dialog modally; returns IDOK, IDCANCEL or the code given
    // to EndDialog.
    int DoModal();
    // Runs OnInitDialog once and shows the dialog without blocking (modeless dialogs and panes).
    void ShowModeless();
    void EndDialog(int result);

    // Sets the dialog's client size from its template's size in dialog units.
    void SetTemplateSize(int cx, int cy);
    // Places a control at a template rectangle given in dialog units.
    void PlaceControl(QWidget* control, int x, int y, int cx, int cy) const;
    const CDialogUnits& DialogUnits() const { return m_units; }

    // The help topic F1 opens in this dialog (RequestHelpTopic); 0, the default, lets the key go on.
    void SetHelpTopic(int contextId) { m_helpTopic = contextId; }
    int GetHelpTopic() const { return m_helpTopic; }

    // The text of this dialog's template item (control 0: the caption) from the string tables.
    QString TemplateText(unsigned controlId) const;

    void accept() override; // routes to OnOK
    void reject() override; // routes to OnCancel (Escape and the close box)

protected:
    // Called once before the dialog is first shown; returns whether focus is left to the default.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void EnsureInitialised();

    unsigned m_templateId;
    CDialogUnits m_units;
    bool m_initialised = false;
    int m_helpTopic = 0;
};
