// The wait window of the folder tree's check changes.
#include "views/files/CWaitingDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"

#include <QApplication>
#include <QLabel>

CWaitingDlg::CWaitingDlg(QWidget* parent)
    : CSearchSuperDlg(kTemplate, parent),
      m_text(CResourceLibrary::Instance().LoadString(374)),
      m_static(new QLabel(this))
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("CWaitingDlg { border: 1px solid #7a8799; background: #f4f6f9; }"));
    SetDlgCtrlID(m_static, kTextId);
    m_static->setAlignment(Qt::AlignCenter);
    m_static->setText(m_text);
}

CWaitingDlg::~CWaitingDlg()
{
    QApplication::restoreOverrideCursor();
}

void CWaitingDlg::SetText(const QString& text)
{
    m_text = text;
    m_static->setText(text);
}

bool CWaitingDlg::OnInitDialog()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetTemplateSize(206, 43);
    // The text runs across the window so that a long sentence stays whole.
    PlaceControl(m_static, 6, 12, 194, 19);
    m_static->setWordWrap(true);
    if (QWidget* p = parentWidget()) {
        const QRect r = p->window()->geometry();
        move(r.center() - rect().center());
    }
    return true;
}
