// Drawings of the device icons (without antialiasing: a pixel blended with the magenta key would show): floppy, hard disk, partition, found partition, disk image, previous
// recovery and open-disk image.
#include "views/devices/DevicePictures.h"

#include "views/devices/DeviceSelectTypes.h"
#include "views/files/RuntimePictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kMagenta(255, 0, 255);

QImage Blank()
{
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(kMagenta);
    return img;
}

// A drive box seen from the front with a light.
void DriveBox(QPainter& p, const QRect& r, const QColor& body, const QColor& light)
{
    p.setPen(body.darker(170));
    p.setBrush(body);
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(body.darker(115));
    p.drawRect(r.adjusted(3, r.height() / 2, -3, -3));
    p.fillRect(r.right() - 6, r.top() + 3, 3, 3, light);
}

QImage HardDisk()
{
    QImage img = Blank();
    QPainter p(&img);
    DriveBox(p, QRect(2, 9, 27, 15), QColor(0xb8, 0xc0, 0xcc), QColor(0x20, 0xb0, 0x20));
    return img;
}

QImage Floppy()
{
    QImage img = Blank();
    QPainter p(&img);
    p.setPen(QColor(0x20, 0x30, 0x60));
    p.setBrush(QColor(0x35, 0x55, 0xa0));
    p.drawRect(5, 4, 22, 24);
    p.fillRect(10, 5, 12, 8, QColor(0xd0, 0xd4, 0xdc));
    p.fillRect(9, 17, 14, 10, Qt::white);
    return img;
}

// A slice of a disk: a bar with a coloured part.
QImage Partition(const QColor& part, bool found)
{
    QImage img = Blank();
    QPainter p(&img);
    p.setPen(QColor(0x40, 0x40, 0x50));
    p.setBrush(QColor(0xe6, 0xea, 0xf0));
    p.drawRect(2, 10, 27, 13);
    p.setBrush(part);
    p.drawRect(9, 10, 13, 13);
    if (found) {
        // A magnifying glass over the slice.
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
        p.setBrush(QColor(255, 255, 255, 120));
        p.drawEllipse(QPointF(21, 12), 6, 6);
        p.drawLine(QPointF(25, 16), QPointF(30, 22));
    }
    return img;
}

// A sheet of paper with a disk on it.
QImage ImageFile(bool open)
{
    QImage img = Blank();
    QPainter p(&img);
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(6, 2);
    sheet.lineTo(20, 2);
    sheet.lineTo(26, 8);
    sheet.lineTo(26, 29);
    sheet.lineTo(6, 29);
    sheet.closeSubpath();
    p.drawPath(sheet);
    DriveBox(p, QRect(9, 15, 15, 9), open ? QColor(0xf2, 0xc9, 0x4c) : QColor(0xb8, 0xc0, 0xcc),
             QColor(0x20, 0xb0, 0x20));
    return img;
}

QImage PreviousRecovery()
{
    QImage img = Blank();
    QPainter p(&img);
    p.setPen(QColor(0x30, 0x50, 0x80));
    p.setBrush(QColor(0xe8, 0xf0, 0xfa));
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setPen(QPen(QColor(0x30, 0x50, 0x80), 2));
    p.drawLine(QPointF(16, 16), QPointF(16, 7));
    p.drawLine(QPointF(16, 16), QPointF(22, 19));
    return img;
}

} // namespace

void InstallDevicePictures()
{
    const auto& ids = kDefaultDeviceBitmaps.ids;
    InstallRuntimePicture(ids[0], Floppy);
    InstallRuntimePicture(ids[1], HardDisk);
    InstallRuntimePicture(ids[2], [] { return Partition(QColor(0x54, 0x97, 0x54), false); });
    InstallRuntimePicture(ids[3], [] { return Partition(QColor(0xd0, 0x90, 0x30), true); });
    InstallRuntimePicture(ids[4], [] { return ImageFile(false); });
    InstallRuntimePicture(ids[5], PreviousRecovery);
    InstallRuntimePicture(ids[6], [] { return ImageFile(true); });
}
