// Parsing of the skin table.
#include "tools/skingen/SkinTable.h"

#include <QSet>
#include <QStringList>

bool ParseSkinTable(const QByteArray& utf8, QVector<SkinRow>& rows, QString& error)
{
    rows.clear();
    QSet<unsigned> seen;
    const QStringList lines = QString::fromUtf8(utf8).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const QStringList f = line.split(u'\t', Qt::SkipEmptyParts);
        auto fail = [&](const QString& why) {
            error = QStringLiteral("skin table line %1: %2").arg(n + 1).arg(why);
            return false;
        };
        if (f.size() != 6) return fail(QStringLiteral("expected 6 tab-separated columns, found %1").arg(f.size()));
        SkinRow r;
        bool okId = false, okW = false, okH = false;
        r.id = f[0].toUInt(&okId);
        r.kind = f[1];
        r.width = f[2].toInt(&okW);
        r.height = f[3].toInt(&okH);
        if (!okId || r.id == 0 || r.id > 65535) return fail(QStringLiteral("bad id"));
        if (!okW || !okH || r.width <= 0 || r.height <= 0 || r.width > 4096 || r.height > 4096)
            return fail(QStringLiteral("bad size"));
        if (f[4] != u"-") r.captionKey = f[4];
        if (f[5] != u"-") {
            for (const QString& opt : f[5].split(u',')) {
                const qsizetype eq = opt.indexOf(u'=');
                if (eq <= 0) return fail(QStringLiteral("bad option \"%1\"").arg(opt));
                r.options.insert(opt.left(eq), opt.mid(eq + 1));
            }
        }
        if (seen.contains(r.id)) return fail(QStringLiteral("id %1 given twice").arg(r.id));
        seen.insert(r.id);
        r.line = int(n + 1);
        rows.push_back(r);
    }
    return true;
}
