// The base of the disk-image wizards' panes.
#include "views/diskimage/CInterfaceDialog.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/HelpRequest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

CInterfaceDialog::CInterfaceDialog(unsigned nIDTemplate, QWidget* parent) : CSearchSuperDlg(nIDTemplate, parent)
{
    setFont(CreateDialogFont());
}

void CInterfaceDialog::MakePane(const QColor& background)
{
    setWindowFlags(Qt::Widget);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    setPalette(pal);
}

QLabel* CInterfaceDialog::AddText(const QString& key, int controlId)
{
    auto* label = new QLabel(
        CResourceLibrary::Instance().LoadText(QStringLiteral("dialog.%1.%2").arg(GetTemplateId()).arg(key)), this);
    label->setWordWrap(true);
    if (controlId) label->setObjectName(QString::number(controlId));
    return label;
}

QLabel* CInterfaceDialog::AddLabel(const QString& key)
{
    QLabel* label = AddText(key);
    label->setWordWrap(false);
    return label;
}

void CInterfaceDialog::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && m_helpTopic) {
        RequestHelpTopic(this, m_helpTopic);
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape && m_swallowEscape) return;
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_enterIsSpace) {
        // Enter presses the focused button instead of ending the dialog.
        if (auto* focus = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) {
            QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, e->modifiers(), QStringLiteral(" "));
            QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, e->modifiers(), QStringLiteral(" "));
            QApplication::sendEvent(focus, &space);
            QApplication::sendEvent(focus, &spaceUp);
        }
        return;
    }
    CSearchSuperDlg::keyPressEvent(e);
}
