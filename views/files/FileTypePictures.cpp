// Drawings of the check boxes and category pictures of the file-type trees.
#include "views/files/FileTypePictures.h"

#include "views/files/RuntimePictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage StateStrip()
{
    QImage img(64, 16, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 0));
    QPainter p(&img);
    for (int i = 1; i <= 3; ++i) {
        const int x = i * 16;
        // Crisp edges, so that no pixel blends with the transparent red.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(x + 1, 1, 14, 14, QColor(0x5b, 0x6f, 0x85));
        QLinearGradient face(0, 2, 0, 14);
        face.setColorAt(0, QColor(0xf4, 0xf7, 0xfb));
        face.setColorAt(1, Qt::white);
        p.fillRect(x + 2, 2, 12, 12, face);
        if (i == 2) {
            p.fillRect(x + 5, 5, 6, 6, QColor(0x2d, 0x6c, 0xc0));
        } else if (i == 3) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(QColor(0x1f, 0x5a, 0xa6), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const QPointF tick[] = {{x + 4.0, 8.0}, {x + 7.0, 11.0}, {x + 12.0, 4.5}};
            p.drawPolyline(tick, 3);
        }
    }
    p.end();
    return img;
}

QImage Canvas(const QColor& background)
{
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(background);
    return img;
}

void Sheet(QPainter& p, const QColor& edge, const QColor& fill)
{
    QPainterPath page;
    page.moveTo(7.5, 2.5);
    page.lineTo(20.5, 2.5);
    page.lineTo(26.5, 8.5);
    page.lineTo(26.5, 29.5);
    page.lineTo(7.5, 29.5);
    page.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(20.5, 2.5);
    fold.lineTo(20.5, 8.5);
    fold.lineTo(26.5, 8.5);
    p.setBrush(edge.lighter(160));
    p.drawPath(fold);
}

QImage Documents()
{
    QImage img = Canvas(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Sheet(p, QColor(0x3b, 0x6d, 0xb3), QColor(0xf3, 0xf7, 0xfd));
    p.setPen(QPen(QColor(0x7d, 0xa2, 0xd6), 1.5));
    for (int y = 13; y <= 25; y += 4) p.drawLine(QPointF(11, y), QPointF(y < 17 ? 19 : 23, y));
    p.end();
    return img;
}

QImage Pictures()
{
    QImage img = Canvas(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x6b, 0x4f, 0x2a), 1.5));
    p.setBrush(QColor(0xcf, 0xe8, 0xfb));
    p.drawRoundedRect(QRectF(2.5, 5.5, 27, 21), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf6, 0xc3, 0x2c));
    p.drawEllipse(QPointF(22, 11), 3, 3);
    QPainterPath hills;
    hills.moveTo(3.5, 25.5);
    hills.lineTo(11, 14);
    hills.lineTo(16, 20);
    hills.lineTo(20, 16);
    hills.lineTo(28.5, 25.5);
    hills.closeSubpath();
    p.setBrush(QColor(0x3f, 0x9a, 0x4a));
    p.drawPath(hills);
    p.end();
    return img;
}

QImage AudioVideo()
{
    QImage img = Canvas(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A film frame with a note in front of it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x3f, 0x4a));
    p.drawRoundedRect(QRectF(2, 4, 22, 18), 2, 2);
    p.setBrush(Qt::white);
    for (int x = 4; x < 22; x += 4) {
        p.drawRect(QRectF(x, 5.5, 2, 2));
        p.drawRect(QRectF(x, 18.5, 2, 2));
    }
    p.setBrush(QColor(0x8f, 0xb8, 0xe8));
    p.drawRect(QRectF(4, 9, 18, 8));
    p.setBrush(QColor(0xd9, 0x3b, 0x4b));
    p.drawEllipse(QPointF(17, 26), 4, 3);
    p.drawEllipse(QPointF(27, 24), 4, 3);
    p.setPen(QPen(QColor(0xd9, 0x3b, 0x4b), 2));
    p.drawLine(QPointF(20.5, 26), QPointF(20.5, 13));
    p.drawLine(QPointF(30.5, 24), QPointF(30.5, 11));
    p.drawLine(QPointF(20.5, 13), QPointF(30.5, 11));
    p.end();
    return img;
}

QImage Archives()
{
    QImage img = Canvas(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x1c), 1));
    p.setBrush(QColor(0xf0, 0xc0, 0x6a));
    p.drawRect(QRectF(3.5, 10.5, 25, 18));
    p.setBrush(QColor(0xe0, 0xa8, 0x48));
    p.drawRect(QRectF(2.5, 5.5, 27, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x55, 0x5a));
    for (int y = 7; y < 28; y += 3) p.drawRect(QRectF(y % 2 ? 14 : 16, y, 2, 2));
    p.setBrush(QColor(0xc8, 0xc8, 0xcc));
    p.drawRoundedRect(QRectF(13, 20, 6, 6), 1, 1);
    p.end();
    return img;
}

QImage EmailDatabases()
{
    QImage img = Canvas(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A database drum behind an envelope.
    p.setPen(QPen(QColor(0x4a, 0x6a, 0x30), 1));
    p.setBrush(QColor(0x9c, 0xcc, 0x6c));
    p.drawRect(QRectF(15.5, 4, 14, 16));
    p.drawEllipse(QRectF(15.5, 1.5, 14, 5));
    p.drawEllipse(QRectF(15.5, 17.5, 14, 5));
    p.setPen(QPen(QColor(0x2e, 0x5e, 0xa0), 1));
    p.setBrush(QColor(0xfb, 0xfc, 0xfe));
    p.drawRect(QRectF(2.5, 12.5, 21, 15));
    p.drawPolyline(QPolygonF({QPointF(2.5, 12.5), QPointF(13, 21), QPointF(23.5, 12.5)}));
    p.end();
    return img;
}

QImage Other()
{
    QImage img = Canvas(QColor(252, 252, 252));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Sheet(p, QColor(0x6b, 0x6b, 0x73), QColor(0xf4, 0xf4, 0xf6));
    // A gear on the page.
    p.translate(17, 19);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x63, 0x70));
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 5, 5);
    p.setBrush(QColor(0xf4, 0xf4, 0xf6));
    p.drawEllipse(QPointF(0, 0), 2, 2);
    p.end();
    return img;
}

} // namespace

void InstallFileTypePictures()
{
    InstallRuntimePicture(kFileTypeStateBitmap, StateStrip);
    InstallRuntimePicture(kCategoryBitmaps[0], Documents);
    InstallRuntimePicture(kCategoryBitmaps[1], Pictures);
    InstallRuntimePicture(kCategoryBitmaps[2], AudioVideo);
    InstallRuntimePicture(kCategoryBitmaps[3], Archives);
    InstallRuntimePicture(kCategoryBitmaps[4], EmailDatabases);
    InstallRuntimePicture(kCategoryBitmaps[5], Other);
}
