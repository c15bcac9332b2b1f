// salvix_skingen: builds the contents of one language bundle. It checks the language's string table,
// draws every bitmap of the skin table with captions in that language, and writes the resource list
// that rcc turns into <Language>.rcc.
//   salvix_skingen --lang Japanese --strings Japanese.tsv --skin skin.tsv --out <dir>
#include "controls/CStringTable.h"
#include "tools/skingen/SkinPainter.h"
#include "tools/skingen/SkinTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

namespace {

int Fail(const QString& message)
{
    std::fprintf(stderr, "salvix_skingen: %s\n", qPrintable(message));
    return 1;
}

bool WriteIfChanged(const QString& path, const QByteArray& bytes)
{
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes) return true;
    old.close();
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

QString FamilyFor(const QString& language)
{
    const QString wanted =
        language == u"Japanese" ? QStringLiteral("Noto Sans CJK JP") : QStringLiteral("Liberation Sans");
    if (!QFontDatabase::families().contains(wanted))
        std::fprintf(stderr, "salvix_skingen: warning: font \"%s\" is not installed (run tools/setup.sh)\n",
                     qPrintable(wanted));
    return wanted;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString language, stringsPath, skinPath, outDir;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--lang")
            language = args[i + 1];
        else if (args[i] == u"--strings")
            stringsPath = args[i + 1];
        else if (args[i] == u"--skin")
            skinPath = args[i + 1];
        else if (args[i] == u"--out")
            outDir = args[i + 1];
        else
            return Fail(QStringLiteral("unknown argument %1").arg(args[i]));
    }
    if (language.isEmpty() || stringsPath.isEmpty() || skinPath.isEmpty() || outDir.isEmpty())
        return Fail(QStringLiteral("usage: --lang NAME --strings FILE.tsv --skin skin.tsv --out DIR"));

    CStringTable strings;
    QString error;
    if (!strings.LoadFile(stringsPath, &error)) return Fail(stringsPath + QStringLiteral(": ") + error);

    QFile skinFile(skinPath);
    if (!skinFile.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot open %1").arg(skinPath));
    QVector<SkinRow> rows;
    if (!ParseSkinTable(skinFile.readAll(), rows, error)) return Fail(error);

    QDir out(outDir);
    if (!out.mkpath(QStringLiteral("bitmaps"))) return Fail(QStringLiteral("cannot make %1/bitmaps").arg(outDir));

    const QString family = FamilyFor(language);
    QString qrc = QStringLiteral("<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n"
                                 "  <file>strings.tsv</file>\n");
    for (const SkinRow& row : rows) {
        QString caption;
        if (!row.captionKey.isEmpty()) {
            if (!strings.Contains(row.captionKey))
                return Fail(QStringLiteral("skin %1: caption key %2 is not in %3")
                                .arg(row.id)
                                .arg(row.captionKey, stringsPath));
            caption = strings.Find(row.captionKey);
        }
        QImage image;
        if (!PaintSkinBitmap(row, caption, family, image, error)) return Fail(error);
        const QString name = QStringLiteral("bitmaps/%1.png").arg(row.id);
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!image.save(&buffer, "PNG")) return Fail(QStringLiteral("cannot encode %1").arg(name));
        }
        if (!WriteIfChanged(out.filePath(name), png))
            return Fail(QStringLiteral("cannot write %1").arg(out.filePath(name)));
        qrc += QStringLiteral("  <file>%1</file>\n").arg(name);
    }
    qrc += QStringLiteral("</qresource>\n</RCC>\n");

    if (!WriteIfChanged(out.filePath(QStringLiteral("strings.tsv")), strings.Serialise()))
        return Fail(QStringLiteral("cannot write strings.tsv"));
    // The resource list is written last and always touched, so that the build sees this step as done.
    QFile::remove(out.filePath(QStringLiteral("bundle.qrc")));
    if (!WriteIfChanged(out.filePath(QStringLiteral("bundle.qrc")), qrc.toUtf8()))
        return Fail(QStringLiteral("cannot write bundle.qrc"));
    return 0;
}
