// The folder tree of save destinations.
#include "controls/CShellTreeCtrl.h"

#include "controls/CResourceLibrary.h"
#include "platform/DriveLetters.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <algorithm>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;
constexpr int kFolderRole = Qt::UserRole + 3; // a plain folder: its picture opens while selected

QString TableText(const char* key, const char* fallback)
{
    const QString s = CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
    return s.isNull() ? QString::fromUtf8(fallback) : s;
}

// The wait cursor for the life of a handler, whichever way it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool IsRemovableDisk(const std::string& diskPath)
{
    const QString name = QFileInfo(QString::fromStdString(diskPath)).fileName();
    QFile f(QStringLiteral("/sys/block/%1/removable").arg(name));
    return f.open(QIODevice::ReadOnly) && f.read(1) == "1";
}

bool IsInside(const QString& path, const QString& folder)
{
    if (folder.isEmpty()) return false;
    const QString f = QDir::cleanPath(folder);
    const QString p = QDir::cleanPath(path);
    return p == f || p.startsWith(f + QLatin1Char('/'));
}

} // namespace

ShellNamespace ShellNamespace::Live()
{
    ShellNamespace ns;
    ns.home = QDir::homePath();
    ns.desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (ns.desktop.isEmpty() || !QFileInfo(ns.desktop).isDir()) ns.desktop = ns.home;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ns.trash = data.isEmpty() ? QString() : data + QStringLiteral("/Trash");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    ns.networkPlaces = runtime.isEmpty() ? QString() : runtime + QStringLiteral("/gvfs");
    ns.drives = [] {
        std::vector<ShellDrive> out;
        for (const plat::DriveEntry& d : plat::ListDrives()) {
            if (d.mountPoint.empty()) continue;
            ShellDrive s;
            s.letter = d.letter;
            s.mountPoint = QString::fromStdString(d.mountPoint);
            s.removable = d.floppy || IsRemovableDisk(d.diskPath);
            s.cdrom = QFileInfo(QString::fromStdString(d.diskPath)).fileName().startsWith(QLatin1String("sr"));
            out.push_back(s);
        }
        return out;
    };
    return ns;
}

bool CShellTreeCtrl::ShouldShowItem(const QString& path, bool isFolder, const ShellNamespace& ns)
{
    if (!isFolder) {
        const QString name = QFileInfo(path).fileName();
        const bool hasExtension = name.lastIndexOf(QLatin1Char('.')) > 0;
        // Asked without opening the file: opening a pipe or a device could block the window.
        const QFileInfo info(path);
        if (!path.isEmpty() && hasExtension && info.isFile() && info.isReadable()) return false;
        return !path.isEmpty();
    }
    return !(ns.trash.size() && QDir::cleanPath(path) == QDir::cleanPath(ns.trash));
}

QString CShellTreeCtrl::ResolveShortcut(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) return info.symLinkTarget();
    if (!info.isFile() || !path.endsWith(QLatin1String(".desktop"))) return QString();
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString type = entry.value(QStringLiteral("Type")).toString();
    if (type == QLatin1String("Link")) return entry.value(QStringLiteral("URL")).toString();
    if (type != QLatin1String("Application")) return QString();
    // Exec may be read as a list when it holds commas; join it back.
    const QVariant exec = entry.value(QStringLiteral("Exec"));
    const QString command =
        exec.typeId() == QMetaType::QStringList ? exec.toStringList().join(QLatin1Char(',')) : exec.toString();
    QStringList parts = QProcess::splitCommand(command);
    parts.removeIf([](const QString& p) { return p.size() == 2 && p[0] == QLatin1Char('%'); }); // %f, %u...
    if (parts.isEmpty()) return QString();
    const QString target = parts.takeFirst();
    return parts.isEmpty() ? target : target + QLatin1Char(' ') + parts.join(QLatin1Char(' '));
}

CShellTreeCtrl::CShellTreeCtrl(QWidget* parent) : QTreeWidget(parent), m_ns(ShellNamespace::Live())
{
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    // Long names scroll sideways, as in a tree control, instead of being cut.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QTreeWidget::itemExpanded, this, &CShellTreeCtrl::OnItemExpanding);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
        // Folders show the open-folder picture while selected.
        for (QTreeWidgetItem* item : {before, now})
            if (item && item->data(0, kFolderRole).toBool())
                item->setIcon(0, style()->standardIcon(item == now ? QStyle::SP_DirOpenIcon : QStyle::SP_DirIcon));
        if (now) OnSelChanged(now);
    });
}

CShellTreeCtrl::~CShellTreeCtrl() = default;

void CShellTreeCtrl::SetSelChangedCallback(LPFUNTREESELCHANGED lpFunSelChanged, QObject* pWndClient)
{
    if (lpFunSelChanged && pWndClient)
        LogError("------------------------ParmInfo: LPFUNTREESELCHANGED lpFunSelChanged=%llx, CWnd *pWndClient=%llx",
                 static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(&lpFunSelChanged)),
                 static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pWndClient)));
    m_callback = std::move(lpFunSelChanged);
    m_client = pWndClient;
}

QString CShellTreeCtrl::ItemPath(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kPathRole).toString() : QString();
}

int CShellTreeCtrl::ItemKindOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kKindRole).toInt() : -1;
}

void CShellTreeCtrl::Populate(bool bFoldersOnly)
{
    clear();
    m_enumFlags = bFoldersOnly ? 0 : SHCONTF_NONFOLDERS;
    auto* root = new QTreeWidgetItem(QStringList(TableText("shelltree.desktop", "Desktop")));
    root->setData(0, kPathRole, m_ns.desktop);
    root->setData(0, kKindRole, kDesktop);
    root->setIcon(0, style()->standardIcon(QStyle::SP_DesktopIcon));
    root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    addTopLevelItem(root);
    root->setExpanded(true);
}

void CShellTreeCtrl::ExpandMyComputer()
{
    QTreeWidgetItem* root = topLevelItem(0);
    if (!root || root->childCount() == 0) return;
    QTreeWidgetItem* target = root->child(root->childCount() - 1);
    for (int i = 0; i < root->childCount(); ++i)
        if (ItemKindOf(root->child(i)) == kComputer) {
            target = root->child(i);
            break;
        }
    target->setExpanded(true);
}

QTreeWidgetItem* CShellTreeCtrl::AddPathItem(QTreeWidgetItem* parent, const QString& path, const QString& text,
                                             bool isFolder)
{
    auto* item = new QTreeWidgetItem(parent, QStringList(text));
    item->setData(0, kPathRole, path);
    item->setData(0, kKindRole, kPath);
    item->setData(0, kFolderRole, isFolder);
    item->setIcon(0, style()->standardIcon(isFolder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
    // A folder announces children until its first expansion finds out.
    item->setChildIndicatorPolicy(isFolder ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
    return item;
}

void CShellTreeCtrl::FillChildren(QTreeWidgetItem* item)
{
    const int kind = ItemKindOf(item);
    if (kind == kComputer) {
        std::vector<ShellDrive> drives = m_ns.drives ? m_ns.drives() : std::vector<ShellDrive>{};
        const bool rootHasLetter = std::any_of(drives.begin(), drives.end(),
                                               [](const ShellDrive& d) { return d.mountPoint == QLatin1String("/"); });
        if (!rootHasLetter) {
            QTreeWidgetItem* fs =
                AddPathItem(item, QStringLiteral("/"), TableText("shelltree.filesystem", "File System"), true);
            fs->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
            fs->setData(0, kFolderRole, false);
        }
        for (const ShellDrive& d : drives) {
            if (d.cdrom || !QFileInfo(d.mountPoint).isDir()) continue;
            // Named by where they are mounted, as a Linux user knows them (the letters stay internal).
            QString text;
            if (d.removable)
                text = TableText("shelltree.removable", "Removable (%1)").arg(d.mountPoint);
            else if (d.mountPoint == QLatin1String("/"))
                text = QStringLiteral("%1 (/)").arg(TableText("shelltree.filesystem", "File System"));
            else
                text = QStringLiteral("%1 (%2)").arg(QFileInfo(d.mountPoint).fileName(), d.mountPoint);
            QTreeWidgetItem* drive = AddPathItem(item, d.mountPoint, text, true);
            drive->setIcon(0, style()->standardIcon(d.removable ? QStyle::SP_DriveFDIcon : QStyle::SP_DriveHDIcon));
            drive->setData(0, kFolderRole, false);
        }
        return;
    }
    if (kind == kDesktop) {
        auto* computer = new QTreeWidgetItem(item, QStringList(TableText("shelltree.computer", "Computer")));
        computer->setData(0, kKindRole, kComputer);
        computer->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
        computer->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        if (!m_ns.home.isEmpty() && QFileInfo(m_ns.home).isDir() &&
            QDir::cleanPath(m_ns.home) != QDir::cleanPath(m_ns.desktop)) {
            QTreeWidgetItem* home = AddPathItem(item, m_ns.home, TableText("shelltree.home", "Home"), true);
            home->setIcon(0, style()->standardIcon(QStyle::SP_DirHomeIcon));
            home->setData(0, kFolderRole, false);
        }
    }
    // The folder's own entries. A folder that cannot be listed shows no children.
    const QString path = ItemPath(item);
    if (path.isEmpty()) return;
    QDir dir(path);
    // Hidden entries (dot-names) stay out of sight as in a file manager; a path typed by the user is still taken.
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot | QDir::System;
    if (m_enumFlags & SHCONTF_NONFOLDERS) filters |= QDir::Files;
    QFileInfoList entries = dir.entryInfoList(filters, QDir::NoSort);
    std::sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        if (a.isDir() != b.isDir()) return a.isDir();
        const int c = QString::compare(a.fileName(), b.fileName(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.fileName() < b.fileName();
    });
    for (const QFileInfo& e : entries) {
        const QString childPath = e.absoluteFilePath();
        if (ShouldShowItem(childPath, e.isDir(), m_ns)) AddPathItem(item, childPath, e.fileName(), e.isDir());
    }
}

void CShellTreeCtrl::OnItemExpanding(QTreeWidgetItem* item)
{
    if (!item || item->data(0, kFilledRole).toBool()) return;
    WaitCursor wait;
    item->setData(0, kFilledRole, true);
    FillChildren(item);
    if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void CShellTreeCtrl::OnSelChanged(QTreeWidgetItem* item)
{
    if (!item) return;
    WaitCursor wait;
    QString path = ItemPath(item);
    if (path.isEmpty()) path = item->text(0); // a place without a folder passes its name
    if (!m_callback || !m_client) return;
    if (IsInside(path, m_ns.networkPlaces)) {
        const QString target = ResolveShortcut(path);
        if (!target.isEmpty()) path = target;
    }
    m_callback(path);
}

QTreeWidgetItem* CShellTreeCtrl::FindPath(const QString& path) const
{
    const QString want = QDir::cleanPath(path);
    QList<QTreeWidgetItem*> todo;
    for (int i = 0; i < topLevelItemCount(); ++i) todo << topLevelItem(i);
    while (!todo.isEmpty()) {
        QTreeWidgetItem* item = todo.takeFirst();
        if (ItemKindOf(item) == kPath && QDir::cleanPath(ItemPath(item)) == want) return item;
        for (int i = 0; i < item->childCount(); ++i) todo << item->child(i);
    }
    return nullptr;
}
