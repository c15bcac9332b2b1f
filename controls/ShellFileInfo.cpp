// File information and icons for the file views.
#include "controls/ShellFileInfo.h"

#include "controls/CResourceLibrary.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {

constexpr unsigned kAppIconId = 492;

QIcon StyleIcon(QStyle::StandardPixmap which)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app ? app->style()->standardIcon(which) : QIcon();
}

// Index of an icon in a system list, each icon name added once.
int SystemIndex(bool small, const QString& name, const QIcon& icon)
{
    static std::mutex lock;
    static QHash<QString, int> indexes[2];
    std::lock_guard<std::mutex> g(lock);
    auto& map = indexes[small ? 1 : 0];
    if (auto it = map.find(name); it != map.end()) return it.value();
    const int index = GetSystemImageList(small)->Add(icon);
    map.insert(name, index);
    return index;
}

} // namespace

int CImageList::Add(const QIcon& icon)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_icons.push_back(icon);
    return int(m_icons.size() - 1);
}

int CImageList::GetImageCount() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return int(m_icons.size());
}

QIcon CImageList::GetIcon(int index) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return index >= 0 && index < m_icons.size() ? m_icons[index] : QIcon();
}

CImageList* GetSystemImageList(bool small)
{
    static CImageList smallList(QSize(16, 16)), largeList(QSize(32, 32));
    return small ? &smallList : &largeList;
}

std::uintptr_t ShellGetFileInfo(const QString& path, uint32_t dwFileAttributes, SHFILEINFOA* psfi, unsigned uFlags)
{
    if (!psfi || path.isEmpty()) return 0;
    const QFileInfo info(path);
    bool isFolder = false;
    if (uFlags & SHGFI_USEFILEATTRIBUTES) {
        isFolder = (dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    } else {
        if (!info.exists()) return 0;
        isFolder = info.isDir();
    }
    psfi->dwAttributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;

    static const QMimeDatabase mimes;
    const QMimeType mime = isFolder ? mimes.mimeTypeForName(QStringLiteral("inode/directory"))
                           : (uFlags & SHGFI_USEFILEATTRIBUTES)
                               ? mimes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension)
                               : mimes.mimeTypeForFile(info);
    const QString iconName = isFolder ? QStringLiteral("folder") : mime.iconName();

    if (uFlags & (SHGFI_ICON | SHGFI_SYSICONINDEX)) {
        QIcon icon = QIcon::fromTheme(iconName, QIcon::fromTheme(mime.genericIconName()));
        if (icon.isNull()) icon = StyleIcon(isFolder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
        if (icon.isNull()) return 0;
        if (uFlags & SHGFI_ICON) psfi->hIcon = icon;
        if (uFlags & SHGFI_SYSICONINDEX) psfi->iIcon = SystemIndex(uFlags & SHGFI_SMALLICON, iconName, icon);
    }
    if (uFlags & SHGFI_DISPLAYNAME) psfi->szDisplayName = info.fileName().isEmpty() ? path : info.fileName();
    if (uFlags & SHGFI_TYPENAME) psfi->szTypeName = mime.comment();
    if (uFlags & SHGFI_SYSICONINDEX)
        return reinterpret_cast<std::uintptr_t>(GetSystemImageList(uFlags & SHGFI_SMALLICON));
    return 1;
}

CImageList* GetFallbackImageList()
{
    static CImageList* list = [] {
        auto* l = new CImageList(QSize(16, 16)); // kept for the whole run: callers hold on to it
        l->Add(CResourceLibrary::Instance().LoadIcon(kAppIconId));
        return l;
    }();
    return list;
}

std::uintptr_t SafeGetFileInfo(const char* pszPath, uint32_t dwFileAttributes, SHFILEINFOA* psfi,
                               unsigned /*cbFileInfo*/, unsigned uFlags)
{
    if (!psfi) return 0;
    *psfi = SHFILEINFOA{};
    std::uintptr_t result = 0;
    try {
        result = ShellGetFileInfo(QString::fromUtf8(pszPath ? pszPath : ""), dwFileAttributes, psfi, uFlags);
    } catch (...) {
        result = 0;
    }
    if (result != 0) return result;
    *psfi = SHFILEINFOA{};
    CImageList* fallback = GetFallbackImageList();
    psfi->hIcon = fallback->GetIcon(0);
    psfi->iIcon = 0;
    return reinterpret_cast<std::uintptr_t>(fallback);
}
