// The main frame.
#include "app/CMainFrame.h"

#include "app/shell/ProgramRestart.h"
#include "views/options/CAboutFreeDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/HelpTopic.h"
#include "core/VersionString.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "views/search/CFileTypeNameMap.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>

namespace {

constexpr Qt::WindowFlags kFrameFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                                        Qt::CustomizeWindowHint;

} // namespace

CMainFrame::CMainFrame() : QWidget(nullptr, kFrameFlags | Qt::WindowMaximizeButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::LoadFrame(const WizardSheetFactory& factory, QString* error)
{
    LogError("------------------------ParmInfo:CMainFrame::OnCreate cx=%d cy=%d", kClientSize.width(),
             kClientSize.height());
    m_view = new CChildView(this);
    if (!m_view->Create(factory, this, error)) {
        delete m_view;
        m_view = nullptr;
        return false;
    }

    resize(kClientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), kClientSize);
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    m_creationSize = size();
    ApplySizeMode();
    m_view->setGeometry(rect());

    // Ctrl+O is the frame's one accelerator; F1 asks the page shown for help.
    auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(open, &QShortcut::activated, this, [this] {
        if (m_view) m_view->OnCommand(CChildView::kOpenCommand);
    });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (m_view) m_view->OnHelp();
    });

    BuildFileTypeNameMap();
    setWindowTitle(CResourceLibrary::Instance().LoadString(349));
    return true;
}

void CMainFrame::BuildFileTypeNameMap()
{
    CFileTypeNameMap& map = CFileTypeNameMap::GetInstance();
    if (!map.GetEntries().empty()) return; // built once per process
    const uint64_t start = plat::GetTickCount64();
    map.BuildFromMimeDatabase(CResourceLibrary::Instance().LoadString(420).toStdString(), std::string());
    LogInfo("Enum register file used time :%f Second", double(plat::GetTickCount64() - start) / 1000.0);
}

void CMainFrame::SetResizable(bool resizable)
{
    if (resizable == m_resizable) return;
    m_resizable = resizable;
    if (!resizable) m_maximizeBox = false;
    ApplySizeMode();
}

void CMainFrame::ApplySizeMode()
{
    const Qt::WindowFlags wanted = m_maximizeBox ? kFrameFlags | Qt::WindowMaximizeButtonHint : kFrameFlags;
    if (windowFlags() != wanted) {
        const bool shown = isVisible();
        const QPoint at = pos();
        setWindowFlags(wanted); // hides the window
        move(at);
        if (shown) show();
    }
    if (m_resizable) {
        setMinimumSize(kMinimumClientSize);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        // Back to the creation size, the top-left corner kept.
        setFixedSize(m_creationSize);
    }
}

void CMainFrame::OnCloseRequest()
{
    m_closeWithoutAsking = true;
    close();
    m_closeWithoutAsking = false;
}

void CMainFrame::ShowAbout()
{
    CAboutFreeDlg dlg(this);
    dlg.DoModal();
}

bool CMainFrame::RequestRestart()
{
    return StartRestartHelper();
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (m_closeWithoutAsking) {
        e->accept();
        return;
    }
    const int answer = ShowMessageBox(this, CResourceLibrary::Instance().LoadString(242), MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
        e->accept();
    else
        e->ignore();
}

void CMainFrame::customEvent(QEvent* e)
{
    CWindowMessage* m = CWindowMessage::From(e);
    if (!m) {
        QWidget::customEvent(e);
        return;
    }
    switch (m->Message()) {
    case UM_SHOW_HELP:
        OpenHelpTopic(nullptr, int(m->WParam()));
        m->SetResult(1); // taken: the dialog that asked need not open the topic itself
        break;
    case UM_CLOSE_APP:
        OnCloseRequest();
        m->SetResult(0);
        break;
    default: QWidget::customEvent(e);
    }
}

void CMainFrame::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    if (m_view) m_view->setFocus();
}

void CMainFrame::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (m_view) m_view->setGeometry(rect());
}
