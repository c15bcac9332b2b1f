// Resource lookup over the language bundle and the program's own resources.
#include "controls/CResourceLibrary.h"

#include "platform/Folders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QResource>

static void InitProgramResources()
{
    Q_INIT_RESOURCE(salvix_program); // the English strings and skin, compiled into this library
}

namespace {

const QString kBundleRoot = QStringLiteral("/bundle");
const QString kBundlePrefix = QStringLiteral(":/bundle/");
const QString kProgramPrefix = QStringLiteral(":/program/");

QImage ReadBitmap(const QString& prefix, unsigned id)
{
    const QString path = prefix + QStringLiteral("bitmaps/%1.png").arg(id);
    if (!QFile::exists(path)) return QImage();
    return QImage(path);
}

} // namespace

CResourceLibrary& CResourceLibrary::Instance()
{
    static CResourceLibrary* library = new CResourceLibrary; // lives to the end: windows ask during exit
    return *library;
}

CResourceLibrary::CResourceLibrary()
{
    InitProgramResources();
    QString error;
    m_programStrings.LoadFile(kProgramPrefix + QStringLiteral("strings.tsv"), &error);
}

bool CResourceLibrary::LoadLanguageBundle(const QString& absolutePath, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!QFileInfo(absolutePath).isAbsolute())
        return fail(QStringLiteral("language bundle path is not absolute: %1").arg(absolutePath));
    if (!QFileInfo(absolutePath).isFile())
        return fail(QStringLiteral("language bundle not found: %1").arg(absolutePath));

    std::lock_guard<std::mutex> g(m_lock);
    const QString previous = m_bundlePath;
    if (!previous.isEmpty()) QResource::unregisterResource(previous, kBundleRoot);
    auto restorePrevious = [&] {
        if (!previous.isEmpty()) QResource::registerResource(previous, kBundleRoot);
    };
    if (!QResource::registerResource(absolutePath, kBundleRoot)) {
        restorePrevious();
        return fail(QStringLiteral("not a resource bundle: %1").arg(absolutePath));
    }
    CStringTable strings;
    QString why;
    if (!strings.LoadFile(kBundlePrefix + QStringLiteral("strings.tsv"), &why)) {
        QResource::unregisterResource(absolutePath, kBundleRoot);
        restorePrevious();
        return fail(QStringLiteral("%1: string table: %2").arg(absolutePath, why));
    }
    m_bundlePath = absolutePath;
    m_bundleStrings = std::move(strings);
    m_bitmapCache.clear();
    return true;
}

void CResourceLibrary::UnloadLanguageBundle()
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_bundlePath.isEmpty()) QResource::unregisterResource(m_bundlePath, kBundleRoot);
    m_bundlePath.clear();
    m_bundleStrings.Clear();
    m_bitmapCache.clear();
}

QString CResourceLibrary::LanguageBundlePath() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_bundlePath;
}

QString CResourceLibrary::BundlePathFor(const QString& languageName)
{
    const std::filesystem::path p = plat::DataFolder() / (languageName.toStdString() + ".rcc");
    return QString::fromStdString(p.string());
}

QString CResourceLibrary::LoadText(const QString& key) const
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bundleStrings.Contains(key)) return m_bundleStrings.Find(key);
    return m_programStrings.Find(key);
}

QString CResourceLibrary::LoadProgramText(const QString& key) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_programStrings.Find(key);
}

QString CResourceLibrary::LoadProgramString(unsigned id) const
{
    return LoadProgramText(CStringTable::KeyOf(id));
}

QString CResourceLibrary::LoadString(unsigned id) const
{
    return LoadText(CStringTable::KeyOf(id));
}

QImage CResourceLibrary::FindBitmap(unsigned id) const
{
    if (auto it = m_overrides.find(id); it != m_overrides.end()) return it.value();
    if (auto it = m_bitmapCache.find(id); it != m_bitmapCache.end()) return it.value();
    QImage image;
    if (!m_bundlePath.isEmpty()) image = ReadBitmap(kBundlePrefix, id);
    if (image.isNull()) image = ReadBitmap(kProgramPrefix, id);
    if (!image.isNull()) m_bitmapCache.insert(id, image);
    return image;
}

QImage CResourceLibrary::LoadBitmap(unsigned id) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return FindBitmap(id);
}

QIcon CResourceLibrary::LoadIcon(unsigned id) const
{
    const QImage image = LoadBitmap(id);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QStringList CResourceLibrary::BundleKeys() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_bundleStrings.Keys();
}

QList<unsigned> CResourceLibrary::BundleBitmapIds() const
{
    std::lock_guard<std::mutex> g(m_lock);
    QList<unsigned> ids;
    if (m_bundlePath.isEmpty()) return ids;
    QDirIterator it(kBundlePrefix + QStringLiteral("bitmaps"));
    while (it.hasNext()) {
        it.next();
        bool ok = false;
        const unsigned id = it.fileInfo().completeBaseName().toUInt(&ok);
        if (ok) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

void CResourceLibrary::SetOverrideBitmap(unsigned id, const QImage& image)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_overrides.insert(id, image);
}

void CResourceLibrary::ClearOverrideBitmaps()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_overrides.clear();
}

QString ProductName()
{
    const QString name = CResourceLibrary::Instance().LoadString(346);
    return name.isEmpty() ? QStringLiteral("Salvix") : name;
}
