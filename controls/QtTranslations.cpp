// Qt's own texts in the interface language.
#include "controls/QtTranslations.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString QtLocaleForBundle(const QString& bundleName)
{
    if (bundleName.compare(QLatin1String("Deutsch"), Qt::CaseInsensitive) == 0) return QStringLiteral("de");
    if (bundleName.compare(QLatin1String("Japanese"), Qt::CaseInsensitive) == 0) return QStringLiteral("ja");
    return {};
}

std::unique_ptr<QTranslator> InstallQtTranslations(const QString& bundleName)
{
    const QString locale = QtLocaleForBundle(bundleName);
    if (locale.isEmpty() || !QCoreApplication::instance()) return nullptr;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_") + locale, folder)) {
        LogError("Qt translation qtbase_%s not found in %s", locale.toUtf8().constData(), folder.toUtf8().constData());
        return nullptr;
    }
    QCoreApplication::installTranslator(translator.get());
    return translator;
}
