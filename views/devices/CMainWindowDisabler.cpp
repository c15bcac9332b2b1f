// The main window switched off for the time of a long operation.
#include "views/devices/CMainWindowDisabler.h"

#include <QApplication>

CMainWindowDisabler::CMainWindowDisabler(const QWidget* except)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == except || !w->isVisible() || !w->isEnabled()) continue;
        if (w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) continue;
        w->setEnabled(false);
        m_disabled.emplace_back(w);
    }
}

CMainWindowDisabler::~CMainWindowDisabler()
{
    for (const QPointer<QWidget>& w : m_disabled)
        if (w) w->setEnabled(true);
}
