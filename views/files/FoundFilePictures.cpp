// Drawings of the found-file views' pictures.
#include "views/files/FoundFilePictures.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "views/files/FileTypePictures.h"
#include "views/files/RuntimePictures.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <QPainterPath>

namespace {

const QColor kMagenta(255, 0, 255);

void Folder(QPainter& p, int x, const QColor& body)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(body.darker(150));
    p.setBrush(body.darker(110));
    p.drawRect(x + 1, 3, 6, 2);
    p.setBrush(body);
    p.drawRect(x + 1, 4, 13, 9);
}

void Mark(QPainter& p, int x, const QString& letter, const QColor& colour)
{
    QFont f = MakeCellHeightFont(QStringLiteral("Arial"), 10, 700);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(x + 4, 4, 11, 10), Qt::AlignCenter, letter);
}

QImage FolderImages()
{
    QImage img(80, 16, QImage::Format_RGB32);
    img.fill(kMagenta);
    QPainter p(&img);
    // Drive: a grey box with a green light.
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.setBrush(QColor(0xc8, 0xcc, 0xd2));
    p.drawRect(1, 5, 13, 7);
    p.fillRect(11, 9, 2, 2, QColor(0x20, 0xb0, 0x20));
    const QColor yellow(0xf2, 0xc9, 0x4c);
    for (int i = 1; i < 5; ++i) Folder(p, i * 16, yellow);
    Mark(p, 32, QStringLiteral("D"), QColor(0xd0, 0, 0));
    Mark(p, 48, QStringLiteral("?"), QColor(0, 0, 0xc0));
    Mark(p, 64, QStringLiteral("U"), QColor(0x80, 0, 0x80));
    return img;
}

QImage SortArrows()
{
    QImage img(36, 12, QImage::Format_RGB32);
    img.fill(kMagenta);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x60, 0x60));
    const QPointF up[] = {{12 + 2.0, 8.0}, {12 + 10.0, 8.0}, {12 + 6.0, 3.0}};
    const QPointF down[] = {{24 + 2.0, 4.0}, {24 + 10.0, 4.0}, {24 + 6.0, 9.0}};
    p.drawPolygon(up, 3);
    p.drawPolygon(down, 3);
    return img;
}

QImage DeletedMark()
{
    // Drawn pixel by pixel: a font's edges would blend with the transparent colour.
    static const char* const kRows[11] = {
        "......##.", "......##.", "......##.", "..######.", ".##...##.", ".##...##.",
        ".##...##.", ".##...##.", ".##...##.", "..######.", ".........",
    };
    QImage img(9, 11, QImage::Format_RGB32);
    img.fill(kMagenta);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 9; ++x)
            if (kRows[y][x] == '#') img.setPixelColor(x, y, QColor(0xe0, 0, 0));
    return img;
}

QImage ButtonStrip()
{
    QImage img(500, 32, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 32);
    g.setColorAt(0, QColor(0xfa, 0xfb, 0xfd));
    g.setColorAt(1, QColor(0xe1, 0xe6, 0xee));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(0xc4, 0xcb, 0xd6));
    p.drawLine(0, 31, 499, 31);
    return img;
}

// A flat tool button face with its caption: 0 normal, 1 hover, 2 pushed, 3 disabled.
QImage ToolButton(unsigned captionId, int face)
{
    const QString caption = CResourceLibrary::Instance().LoadString(captionId);
    const QFont font = CreateControlFont();
    // As wide as the caption needs, so that a longer translation is not cut.
    const int w = std::max(72, QFontMetrics(font).horizontalAdvance(caption) + 18);
    QImage img(w, 26, QImage::Format_RGB32);
    img.fill(QColor(0xee, 0xf1, 0xf6));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill[] = {QColor(0xf7, 0xf9, 0xfc), QColor(0xdd, 0xea, 0xfa), QColor(0xc3, 0xd6, 0xef),
                           QColor(0xf0, 0xf0, 0xf0)};
    p.setPen(face == 3 ? QColor(0xc8, 0xc8, 0xc8) : QColor(0x8a, 0x9b, 0xb4));
    p.setBrush(fill[face]);
    p.drawRoundedRect(QRectF(1.5, 2.5, w - 3, 21), 3, 3);
    p.setFont(font);
    p.setPen(face == 3 ? QColor(0xa0, 0xa0, 0xa0) : QColor(0x1e, 0x2a, 0x3c));
    p.drawText(QRect(2, 3 + (face == 2 ? 1 : 0), w - 4, 20), Qt::AlignCenter, caption);
    return img;
}

QImage StatesLegend()
{
    CResourceLibrary& lib = CResourceLibrary::Instance();
    QImage img(153, 158, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QImage folders = lib.LoadBitmap(kFolderImagesBitmap);
    QPainter p(&img);
    p.setPen(QColor(0xb0, 0xb8, 0xc4));
    p.drawRect(0, 0, 152, 157);
    QFont f = CreateControlFont();
    p.setFont(f);
    struct Line {
        int folderImage; // -1: a coloured sample name instead
        const char* key;
        QColor colour;
    };
    const Line lines[] = {
        {4, "skin.state_lost", Qt::black},
        {2, "skin.state_deleted", Qt::black},
        {3, "skin.state_raw", Qt::black},
        {-1, "skin.state_compressed", QColor(0, 0, 255)},
        {-1, "skin.state_encrypted", QColor(0, 160, 0)},
    };
    // Rows of 30 pixels: room for a translation that wraps onto a second line.
    int y = 4;
    for (const Line& l : lines) {
        const QRect text(28, y, 121, 30);
        if (l.folderImage >= 0) {
            QImage one = folders.copy(l.folderImage * 16, 0, 16, 16);
            one.setAlphaChannel(QImage());
            for (int yy = 0; yy < one.height(); ++yy)
                for (int xx = 0; xx < one.width(); ++xx)
                    if (one.pixelColor(xx, yy) == kMagenta) one.setPixelColor(xx, yy, Qt::white);
            p.drawImage(6, y + 7, one);
        } else {
            p.fillRect(8, y + 10, 12, 10, l.colour);
        }
        p.setPen(l.colour);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, lib.LoadText(QString::fromLatin1(l.key)));
        y += 30;
    }
    return img;
}

} // namespace

void InstallFoundFilePictures()
{
    InstallFileTypePictures();
    InstallRuntimePicture(kFolderImagesBitmap, FolderImages);
    InstallRuntimePicture(kSortArrowBitmap, SortArrows);
    InstallRuntimePicture(kDeletedMarkBitmap, DeletedMark);
    InstallRuntimePicture(kFileListBackBitmap, ButtonStrip);
    const std::pair<const std::array<unsigned, 4>*, unsigned> buttons[] = {{&kViewButtonBitmaps, 293},
                                                                           {&kSelectButtonBitmaps, 294},
                                                                           {&kDeselectButtonBitmaps, 295},
                                                                           {&kStateButtonBitmaps, 296}};
    for (const auto& [ids, caption] : buttons)
        for (int face = 0; face < 4; ++face)
            InstallRuntimePicture((*ids)[face], [caption = caption, face] { return ToolButton(caption, face); });
    InstallRuntimePicture(kStatesLegendBitmap, StatesLegend);
}
