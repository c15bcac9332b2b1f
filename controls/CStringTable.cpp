// Parsing and writing of the tab-separated string tables.
#include "controls/CStringTable.h"

#include <QFile>
#include <algorithm>

namespace {

bool Unescape(const QString& in, QString& out)
{
    out.clear();
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in.at(i);
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= in.size()) return false;
        switch (in.at(i).unicode()) {
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case '\\': out += u'\\'; break;
        default: return false;
        }
    }
    return true;
}

QString Escape(const QString& in)
{
    QString out;
    out.reserve(in.size() + 8);
    for (QChar c : in) {
        switch (c.unicode()) {
        case '\n': out += u"\\n"; break;
        case '\t': out += u"\\t"; break;
        case '\r': out += u"\\r"; break;
        case '\\': out += u"\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

bool KeyLess(const QString& a, const QString& b)
{
    bool aNum = false, bNum = false;
    const uint av = a.toUInt(&aNum), bv = b.toUInt(&bNum);
    if (aNum != bNum) return aNum;
    return aNum ? av < bv : a < b;
}

} // namespace

bool CStringTable::IsValidKey(const QString& key)
{
    if (key.isEmpty() || key.size() > 64) return false;
    if (key.at(0).isDigit()) {
        bool ok = false;
        const uint v = key.toUInt(&ok);
        return ok && v >= 1 && v <= 65535 && !key.startsWith(u'0');
    }
    if (key.at(0) < u'a' || key.at(0) > u'z') return false;
    return std::all_of(key.begin(), key.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'_' || c == u'-';
    });
}

bool CStringTable::Parse(const QByteArray& utf8, QString* error)
{
    m_texts.clear();
    QHash<QString, QString> texts;
    const QString all = QString::fromUtf8(utf8);
    const QStringList lines = all.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        auto fail = [&](const QString& why) {
            if (error) *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return false;
        };
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) return fail(QStringLiteral("no tab between key and text"));
        const QString key = line.left(tab);
        if (!IsValidKey(key)) return fail(QStringLiteral("bad key \"%1\"").arg(key));
        QString text;
        if (!Unescape(line.mid(tab + 1), text)) return fail(QStringLiteral("bad escape in the text of %1").arg(key));
        if (texts.contains(key)) return fail(QStringLiteral("key %1 given twice").arg(key));
        texts.insert(key, text);
    }
    m_texts = std::move(texts);
    return true;
}

bool CStringTable::LoadFile(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        m_texts.clear();
        if (error) *error = QStringLiteral("cannot open %1").arg(path);
        return false;
    }
    return Parse(f.readAll(), error);
}

QByteArray CStringTable::Serialise() const
{
    QStringList keys = m_texts.keys();
    std::sort(keys.begin(), keys.end(), KeyLess);
    QString out;
    for (const QString& k : keys) out += k + u'\t' + Escape(m_texts.value(k)) + u'\n';
    return out.toUtf8();
}
