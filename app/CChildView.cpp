// The client view.
#include "app/CChildView.h"

#include "controls/ControlId.h"
#include "platform/Log.h"

#include <QResizeEvent>

CChildView::CChildView(QWidget* parent) : QWidget(parent)
{
    SetDlgCtrlID(this, kFirstPaneId);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

CChildView::~CChildView()
{
    // The sheet goes before the controller it points to.
    m_sheet.reset();
}

bool CChildView::Create(const WizardSheetFactory& factory, IWizardSheetHost* host, QString* error)
{
    QString reason;
    m_sheet = factory ? factory(this, &m_controller, host, &reason) : nullptr;
    if (!m_sheet || !m_sheet->Window()) {
        m_sheet.reset();
        if (reason.isEmpty()) reason = QStringLiteral("no wizard sheet was made");
        LogError("The wizard sheet could not be created: %s", reason.toUtf8().constData());
        if (error) *error = reason;
        return false;
    }
    QWidget* w = m_sheet->Window();
    if (w->parentWidget() != this) w->setParent(this);
    SetDlgCtrlID(w, kSheetControlId);
    w->setGeometry(rect());
    w->show();
    return true;
}

void CChildView::OnCommand(unsigned command)
{
    if (command == kOpenCommand && m_sheet) m_sheet->SendCommandToPage(command);
}

void CChildView::OnHelp()
{
    if (m_sheet) m_sheet->OnHelp();
}

void CChildView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (m_sheet && m_sheet->Window()) m_sheet->Window()->setGeometry(0, 0, e->size().width(), e->size().height());
}
