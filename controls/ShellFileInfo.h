// File icons and type names as the shell gives them, from the MIME database and the icon theme, with the
// process-wide image lists that hold the icons; and the guarded lookup that always yields an icon.
#pragma once

#include <QIcon>
#include <QList>
#include <QSize>
#include <QString>
#include <cstdint>
#include <mutex>

constexpr unsigned SHGFI_LARGEICON = 0x0;
constexpr unsigned SHGFI_SMALLICON = 0x1;
constexpr unsigned SHGFI_USEFILEATTRIBUTES = 0x10;
constexpr unsigned SHGFI_ICON = 0x100;
constexpr unsigned SHGFI_DISPLAYNAME = 0x200;
constexpr unsigned SHGFI_TYPENAME = 0x400;
constexpr unsigned SHGFI_SYSICONINDEX = 0x4000;

constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

struct SHFILEINFOA {
    QIcon hIcon;   // with SHGFI_ICON
    int iIcon = 0; // index in the image list returned, with SHGFI_SYSICONINDEX
    uint32_t dwAttributes = 0;
    QString szDisplayName; // with SHGFI_DISPLAYNAME
    QString szTypeName;    // with SHGFI_TYPENAME
};

// A list of icons of one size, addressed by index. Safe to share between threads.
class CImageList {
public:
    explicit CImageList(QSize iconSize) : m_size(iconSize) {}
    int Add(const QIcon& icon);
    int GetImageCount() const;
    QIcon GetIcon(int index) const; // null outside the list
    QSize GetIconSize() const { return m_size; }

private:
    mutable std::mutex m_lock;
    QSize m_size;
    QList<QIcon> m_icons;
};

// The process-wide lists of file icons, 16 x 16 (small) and 32 x 32.
CImageList* GetSystemImageList(bool small);
inline CImageList* ImageListFromResult(std::uintptr_t result)
{
    return reinterpret_cast<CImageList*>(result);
}

// Information about a file. Without SHGFI_USEFILEATTRIBUTES the file must exist; with it only the name's
// extension and the directory bit of dwFileAttributes count. Returns 0 on failure; with SHGFI_SYSICONINDEX
// the system image list (see ImageListFromResult) holding the icon at psfi->iIcon, otherwise 1.
std::uintptr_t ShellGetFileInfo(const QString& path, uint32_t dwFileAttributes, SHFILEINFOA* psfi, unsigned uFlags);

// ShellGetFileInfo that never fails when psfi is given: on any failure it returns a fallback list of
// 16 x 16 icons whose index 0 is the application icon, with that icon in psfi->hIcon and 0 in iIcon.
// The fallback list is made once for the process. A null psfi gives 0 at once.
std::uintptr_t SafeGetFileInfo(const char* pszPath, uint32_t dwFileAttributes, SHFILEINFOA* psfi, unsigned cbFileInfo,
                               unsigned uFlags);
// The fallback list of SafeGetFileInfo.
CImageList* GetFallbackImageList();
