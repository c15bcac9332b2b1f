// The common dialog base.
#include "controls/CSearchSuperDlg.h"

#include "controls/HelpRequest.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"

#include <QAbstractButton>
#include <QKeyEvent>

CSearchSuperDlg::CSearchSuperDlg(unsigned nIDTemplate, QWidget* pParent) : QDialog(pParent), m_templateId(nIDTemplate)
{
}

CSearchSuperDlg::CSearchSuperDlg(QWidget* pParent) : CSearchSuperDlg(kPlaceholderTemplate, pParent) {}

CSearchSuperDlg::~CSearchSuperDlg() = default;

void CSearchSuperDlg::EnsureInitialised()
{
    if (m_initialised) return;
    m_initialised = true;
    OnInitDialog();
}

int CSearchSuperDlg::DoModal()
{
    EnsureInitialised();
    return exec();
}

void CSearchSuperDlg::ShowModeless()
{
    EnsureInitialised();
    show();
}

// Through the virtual done(), so that a dialog which hands a hosted page back on closing does so however it
// ends (a button, Enter, Escape, the close box or its own code).
void CSearchSuperDlg::EndDialog(int result)
{
    done(result);
}

void CSearchSuperDlg::SetTemplateSize(int cx, int cy)
{
    setFixedSize(m_units.MapDialogSize(cx, cy));
}

void CSearchSuperDlg::PlaceControl(QWidget* control, int x, int y, int cx, int cy) const
{
    if (control) control->setGeometry(m_units.MapDialogRect(x, y, cx, cy));
}

QString CSearchSuperDlg::TemplateText(unsigned controlId) const
{
    return CResourceLibrary::Instance().LoadText(QStringLiteral("dialog.%1.%2").arg(m_templateId).arg(controlId));
}

void CSearchSuperDlg::accept()
{
    OnOK();
}
void CSearchSuperDlg::reject()
{
    OnCancel();
}

bool CSearchSuperDlg::OnInitDialog()
{
    return true;
}
void CSearchSuperDlg::OnOK()
{
    EndDialog(IDOK);
}
void CSearchSuperDlg::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CSearchSuperDlg::showEvent(QShowEvent* e)
{
    EnsureInitialised();
    QDialog::showEvent(e);
}

void CSearchSuperDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && m_helpTopic) {
        RequestHelpTopic(this, m_helpTopic);
        e->accept();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        // Enter presses the focused push button, otherwise the dialog's OK (a focused check box included).
        auto* button = qobject_cast<QAbstractButton*>(focusWidget());
        if (button && button->isEnabled() && !button->isCheckable())
            button->click();
        else
            OnOK();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}
