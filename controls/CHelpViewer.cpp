// The help viewer: one help window for the program's help requests.
#include "controls/CHelpViewer.h"

#include "controls/CHelpWindow.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

CHelpViewer::CHelpViewer(std::string languageName) : m_language(std::move(languageName))
{
    m_previous = SetHelpViewer([this](void*, int contextId) { Show(contextId); });
}

CHelpViewer::~CHelpViewer()
{
    SetHelpViewer(std::move(m_previous));
    if (m_dialog) m_dialog->removeEventFilter(this);
    delete m_window.data();
}

CHelpWindow* CHelpViewer::Window() const
{
    return m_window;
}

void CHelpViewer::Show(int contextId)
{
    if (!m_window) m_window = new CHelpWindow(HelpBookFolder(m_language));
    FollowModalDialog();
    m_window->ShowTopic(contextId);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void CHelpViewer::FollowModalDialog()
{
    // A window outside the modal dialog that is running would take no input until the dialog ends, so the
    // help window becomes a separate window of that dialog while it runs.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == m_window || modal == m_window->parentWidget()) return;
    const QRect geometry = m_window->geometry();
    const bool shown = m_window->isVisible();
    if (m_dialog) m_dialog->removeEventFilter(this);
    m_window->setParent(modal, m_window->windowFlags() | Qt::Window);
    m_window->setGeometry(geometry);
    if (shown) m_window->show();
    m_dialog = modal;
    if (modal) modal->installEventFilter(this);
}

bool CHelpViewer::eventFilter(QObject* watched, QEvent* e)
{
    // A dialog that the window system hides (minimised) still runs; one that ends is hidden by the program.
    if (watched == m_dialog && m_window && e->type() == QEvent::Hide && !e->spontaneous()) {
        // The dialog ends: the help window stays open on its own.
        m_dialog->removeEventFilter(this);
        m_dialog = nullptr;
        const QRect geometry = m_window->geometry();
        const bool shown = m_window->isVisible();
        m_window->setParent(nullptr, m_window->windowFlags() | Qt::Window);
        m_window->setGeometry(geometry);
        if (shown) {
            m_window->show();
            // A dialog that ran the ended one still runs: once the ended one is gone, the window goes along
            // with that one.
            QTimer::singleShot(0, this, [this] {
                if (m_window && m_window->isVisible()) FollowModalDialog();
            });
        }
    }
    return QObject::eventFilter(watched, e);
}
