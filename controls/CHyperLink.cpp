// The hyperlink.
#include "controls/CHyperLink.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/CreateLog.h"
#include "controls/MessageBox.h"
#include "controls/SysColors.h"
#include "core/LanguageHelpers.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTimerEvent>
#include <algorithm>
#include <vector>

namespace {

const LinkDesktop* s_desktop = nullptr; // user-interface thread only

const LinkDesktop& Desktop()
{
    static const LinkDesktop live = CHyperLink::LiveDesktop();
    return s_desktop ? *s_desktop : live;
}

// A target with a scheme ("https:", "mailto:") is a URL; anything else is a path on this machine.
bool IsUrl(const QString& target)
{
    const QUrl url(target);
    return url.isValid() && url.scheme().size() > 1;
}

QString Text(unsigned id, const char* fallback)
{
    const QString s = CResourceLibrary::Instance().LoadString(id);
    return s.isNull() ? QString::fromUtf8(fallback) : s;
}

} // namespace

LinkDesktop CHyperLink::LiveDesktop()
{
    LinkDesktop d;
    d.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    d.startDetached = [](const QString& program, const QStringList& args) {
        return QProcess::startDetached(program, args);
    };
    d.browserCommand = [] {
        // $BROWSER (its first entry) or the system's default browser.
        const QString env = qEnvironmentVariable("BROWSER").section(QLatin1Char(':'), 0, 0).trimmed();
        if (!env.isEmpty()) return env;
        const QString wwwBrowser = QStandardPaths::findExecutable(QStringLiteral("x-www-browser"));
        return wwwBrowser;
    };
    d.showItems = [](const QStringList& fileUrls) {
        // The file manager's session-bus service, asked through dbus-send with every part one argument.
        const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
        if (dbusSend.isEmpty() || fileUrls.isEmpty()) return false;
        QStringList urls = fileUrls;
        for (QString& u : urls) u.replace(QLatin1Char(','), QLatin1String("%2C")); // the list separator of dbus-send
        QProcess p;
        p.start(dbusSend, {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                           QStringLiteral("--dest=org.freedesktop.FileManager1"), QStringLiteral("--type=method_call"),
                           QStringLiteral("/org/freedesktop/FileManager1"),
                           QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                           QStringLiteral("array:string:") + urls.join(QLatin1Char(',')), QStringLiteral("string:")});
        if (!p.waitForFinished(2000)) {
            p.kill();
            p.waitForFinished(500);
            return false;
        }
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    return d;
}

void CHyperLink::SetDesktop(const LinkDesktop* desktop)
{
    s_desktop = desktop;
}

QRect CHyperLink::PositionRect(const QRect& window, const QSize& extent, unsigned style)
{
    QRect w = window;
    if (style & SS_CENTERIMAGE) {
        const int dy = (w.height() - extent.height()) / 2;
        w.adjust(0, dy, 0, -dy);
    } else {
        w.setHeight(extent.height());
    }
    if (style & SS_CENTER) {
        const int dx = (w.width() - extent.width()) / 2;
        w.adjust(dx, 0, -dx, 0);
    } else if (style & SS_RIGHT) {
        w.setLeft(w.left() + w.width() - extent.width());
    } else {
        w.setWidth(extent.width());
    }
    return w;
}

QString CHyperLink::ErrorText(int nError)
{
    switch (nError) {
    case 0: return Text(225, "The operating system is out\nof memory or resources.");
    case 2: return Text(227, "The specified file is not found.");
    case 3: return Text(226, "The specific path is not found.");
    case 5: return Text(229, "The operating system denied\naccess to the specific file.");
    case 8: return Text(236, "There is not enough memory to complete the operation.");
    case 11: return Text(228, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26: return Text(237, "A sharing violation occurred.");
    case 27: return Text(230, "The filename association is\nincomplete or invalid.");
    case 28: return Text(233, "The DDE transaction could not\nbe completed because the request timed out.");
    case 29: return Text(232, "The DDE transaction is failed.");
    case 30:
        return Text(231, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
                         "processed.");
    case 31: return Text(235, "There is no application associated\nwith the given filename extension.");
    case 32: return Text(234, "The specified dynamic-link library is not found.");
    default: {
        QString s = CResourceLibrary::Instance().LoadText(QStringLiteral("hyperlink.unknown-error"));
        if (s.isNull()) s = QStringLiteral("Unknown Error (%1) occurred.");
        return s.arg(nError);
    }
    }
}

CHyperLink::CHyperLink(bool bSelectDirs, QWidget* parent)
    : QLabel(parent), m_selectFiles(bSelectDirs), m_background(GetSysColor(COLOR_BTNFACE))
{
    LogError("------------------------ParmInfo:BOOL bSelectDirs=%d", int(bSelectDirs));
    setMouseTracking(true);
    setTextFormat(Qt::PlainText);
}

CHyperLink::~CHyperLink()
{
    m_hoverTimer.stop();
}

bool CHyperLink::Create(const QString& text, unsigned style, const RECT& rect, QWidget* parent, unsigned nID)
{
    LogCreateStruct("Static", text, style, rect, parent, nID);
    setParent(parent);
    SetDlgCtrlID(this, int(nID));
    setText(text);
    m_style = style;
    setGeometry(ToQRect(rect));
    PreSubclassWindow();
    if (style & WS_VISIBLE) show();
    return true;
}

void CHyperLink::PreSubclassWindow()
{
    m_style |= SS_NOTIFY;
    if (m_target.isEmpty()) m_target = text();
    if (text().isEmpty()) setText(m_target);
    QFont f = font();
    f.setFamily(QString::fromLatin1(GetUIFontName()));
    f.setUnderline(false);
    m_normalFont = f;
    f.setUnderline(true);
    m_underlineFont = f;
    setFont(m_normalFont);
    Qt::Alignment align = (m_style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    align |= (m_style & SS_CENTER) ? Qt::AlignHCenter : (m_style & SS_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    setAlignment(align);
    m_prepared = true;
    PositionWindow();
    SetLinkCursor(QCursor(Qt::PointingHandCursor));
    const int mode = m_underline;
    m_underline = mode + 1; // force the font to be set
    SetUnderline(-1);
    setToolTip(m_target);
}

void CHyperLink::SetURL(const QString& strURL)
{
    LogError("------------------------ParmInfo:CString strURL=%llx", LogPointer(strURL.constData()));
    m_target = strURL;
    if (m_prepared) {
        PositionWindow();
        setToolTip(m_target);
    }
}

void CHyperLink::SetVisited(bool bVisited)
{
    m_visited = bVisited;
    update();
}

void CHyperLink::SetUnderline(int nUnderline)
{
    LogError("------------------------ParmInfo:int nUnderline=%x", unsigned(nUnderline));
    if (nUnderline == m_underline) return;
    m_underline = nUnderline;
    if (m_prepared) {
        setFont(CurrentUnderlined() ? m_underlineFont : m_normalFont);
        update();
    }
}

void CHyperLink::SetLinkCursor(const QCursor& cursor)
{
    m_cursor = cursor;
    setCursor(cursor);
}

void CHyperLink::SetBackground(COLORREF cr)
{
    m_background = cr;
    update();
}

COLORREF CHyperLink::CurrentColour() const
{
    return m_over ? kHoverColour : m_visited ? kVisitedColour : kLinkColour;
}

bool CHyperLink::CurrentUnderlined() const
{
    return m_underline == 1 || m_over;
}

void CHyperLink::PositionWindow()
{
    if (!m_prepared || !m_autoSize) return;
    const QSize border = size() - contentsRect().size();
    const QFontMetrics fm(m_underlineFont);
    // Glyphs from a fallback font (Japanese in a Latin face) reach lower and draw their underline lower:
    // leave room for it below the deepest glyph.
    const QRect ink = fm.boundingRect(text());
    const int height = std::max(fm.height(), ink.height()) + 3;
    const QSize extent = QSize(fm.horizontalAdvance(text()), height) + border;
    setGeometry(PositionRect(geometry(), extent, m_style));
}

void CHyperLink::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ToQColor(m_background));
    p.setFont(CurrentUnderlined() ? m_underlineFont : m_normalFont);
    p.setPen(ToQColor(CurrentColour()));
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, text());
}

void CHyperLink::SetOver(bool over)
{
    if (m_over == over) return;
    m_over = over;
    setFont(CurrentUnderlined() ? m_underlineFont : m_normalFont);
    if (over)
        m_hoverTimer.start(kHoverMs, this);
    else
        m_hoverTimer.stop();
    update();
}

void CHyperLink::enterEvent(QEnterEvent* e)
{
    SetOver(true);
    QLabel::enterEvent(e);
}

void CHyperLink::leaveEvent(QEvent* e)
{
    SetOver(false);
    QLabel::leaveEvent(e);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* e)
{
    SetOver(rect().contains(e->position().toPoint()));
    QLabel::mouseMoveEvent(e);
}

void CHyperLink::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_hoverTimer.timerId()) {
        QLabel::timerEvent(e);
        return;
    }
    // The mouse may leave without a message reaching the link: look where it is.
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) SetOver(false);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) OnClicked();
    QLabel::mouseReleaseEvent(e);
}

void CHyperLink::OnClicked()
{
    m_over = false;
    m_hoverTimer.stop();
    setFont(CurrentUnderlined() ? m_underlineFont : m_normalFont);
    update();
    if (m_selectFiles) {
        SelectFiles();
        return;
    }
    const int result = GotoURL(m_target);
    if (result > 32) {
        SetVisited(true);
    } else {
        QApplication::beep();
        ReportError(result);
    }
}

int CHyperLink::GotoURL(const QString& lpszURL)
{
    const LinkDesktop& desk = Desktop();
    int result = 31; // no application to open it
    QString target = lpszURL;
    if (IsUrl(target)) {
        if (desk.openUrl && desk.openUrl(QUrl(target))) return kShellSuccess;
    } else {
        const QFileInfo info(target);
        if (target.isEmpty() || !info.exists())
            result = info.absoluteDir().exists() ? 2 : 3;
        else if (desk.openUrl && desk.openUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
            return kShellSuccess;
        if (info.exists()) target = info.absoluteFilePath();
    }
    // The browser as a second try: its command line cut before any placeholder, the target passed as
    // an argument of its own.
    const QString command = desk.browserCommand ? desk.browserCommand() : QString();
    if (command.isEmpty() || !desk.startDetached) return result;
    QStringList parts = QProcess::splitCommand(command);
    for (int i = 0; i < parts.size(); ++i)
        if (parts[i].contains(QLatin1String("%1")) || parts[i].contains(QLatin1String("%s"))) {
            parts = parts.mid(0, i);
            break;
        }
    if (parts.isEmpty()) return result;
    const QString program = parts.takeFirst();
    parts << target;
    return desk.startDetached(program, parts) ? kShellSuccess : result;
}

void CHyperLink::ReportError(int nError)
{
    const QString text = Text(238, "Unable to open hyperlink:\n\n") + ErrorText(nError);
    ShowMessageBox(this, text, ProductName(), MB_ICONEXCLAMATION);
}

void CHyperLink::SelectFiles()
{
    // The folder is checked as it stands; the program's current folder is never changed for it.
    const QFileInfo folder(m_target);
    if (m_target.isEmpty() || !folder.isDir()) {
        ShowMessageBox(this, Text(345, "Path Invalid!"), ProductName(), MB_OK);
        return;
    }
    // The files of each folder, in the order of the list: one file-manager window per folder with them
    // selected, or the folder opened when no file manager takes the request.
    const LinkDesktop& desk = Desktop();
    std::vector<std::pair<QString, QStringList>> folders;
    for (const QString& file : m_files) {
        const QFileInfo info(QDir(folder.absoluteFilePath()).absoluteFilePath(file));
        const QString dir = info.absolutePath();
        auto it = std::find_if(folders.begin(), folders.end(), [&dir](const auto& f) { return f.first == dir; });
        if (it == folders.end()) it = folders.insert(folders.end(), {dir, {}});
        it->second << QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded);
    }
    for (const auto& [dir, urls] : folders) {
        if (desk.showItems && desk.showItems(urls)) continue;
        if (desk.openUrl) desk.openUrl(QUrl::fromLocalFile(dir));
    }
}
