// The skin table: one row per bitmap id with its kind, size, caption key and options.
#pragma once

#include <QMap>
#include <QString>
#include <QVector>

struct SkinRow {
    unsigned id = 0;
    QString kind;
    int width = 0;
    int height = 0;
    QString captionKey; // empty when the bitmap has no caption
    QMap<QString, QString> options;
    int line = 0;
};

// Parses the tab-separated skin table; false with error set on the first bad row or a repeated id.
bool ParseSkinTable(const QByteArray& utf8, QVector<SkinRow>& rows, QString& error);
