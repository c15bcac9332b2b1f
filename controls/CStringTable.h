// A language's string table: keys (decimal resource ids or dotted names such as "dialog.446.1139") mapped
// to texts. Parsed from the tab-separated source format that the language bundles carry.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class CStringTable {
public:
    // Parses "key<TAB>text" lines. Blank lines and lines starting with '#' are skipped; in texts "\n", "\t"
    // and "\\" stand for a line break, a tab and a backslash. Returns false and sets error (with the line
    // number) on a malformed line, a bad key, a bad escape or a repeated key; the table is then left empty.
    bool Parse(const QByteArray& utf8, QString* error = nullptr);
    bool LoadFile(const QString& path, QString* error = nullptr);

    bool Contains(const QString& key) const { return m_texts.contains(key); }
    // The text of key, or a null QString when the table does not hold it.
    QString Find(const QString& key) const { return m_texts.value(key); }
    QStringList Keys() const { return m_texts.keys(); }
    int Count() const { return int(m_texts.size()); }
    void Clear() { m_texts.clear(); }

    // Writes the table back in the source format, keys in ascending order (numeric keys first).
    QByteArray Serialise() const;

    // A key is a decimal id (1..65535) or lower-case letters, digits, '.', '_' and '-' starting with a letter.
    static bool IsValidKey(const QString& key);
    static QString KeyOf(unsigned id) { return QString::number(id); }

private:
    QHash<QString, QString> m_texts;
};
