// The shared bitmap functions.
#include "controls/BitmapHelpers.h"

#include "platform/Log.h"

#include <QPainter>
#include <cstdint>

void DrawTransparentBitmap(QPainter* hdc, const QImage& hBitmapSrc, int x, int y, int cxBitmap, int cyBitmap,
                           int xTransparent, int yTransparent)
{
    LogError("------------------------ParmInfo:hdc, hBitmapSrc=%llx;x=%x;y=%x;cxBitmap=%x;cyBitmap=%x;"
             "xTransparent=%x;yTransparent=%x",
             static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(&hBitmapSrc)), unsigned(x), unsigned(y),
             unsigned(cxBitmap), unsigned(cyBitmap), unsigned(xTransparent), unsigned(yTransparent));
    if (!hdc || hBitmapSrc.isNull()) return;
    const int w = std::min(cxBitmap, hBitmapSrc.width());
    const int h = std::min(cyBitmap, hBitmapSrc.height());
    if (w <= 0 || h <= 0) return;
    QImage copy = hBitmapSrc.copy(0, 0, w, h).convertToFormat(QImage::Format_RGB32);
    if (hBitmapSrc.valid(xTransparent, yTransparent)) {
        const QRgb key = hBitmapSrc.pixel(xTransparent, yTransparent) & 0xFFFFFF;
        const QRgb background = hdc->background().color().rgb() | 0xFF000000u;
        for (int row = 0; row < h; ++row) {
            auto* line = reinterpret_cast<QRgb*>(copy.scanLine(row));
            for (int col = 0; col < w; ++col)
                if ((line[col] & 0xFFFFFF) == key) line[col] = background;
        }
    }
    const auto mode = hdc->compositionMode();
    hdc->setCompositionMode(QPainter::CompositionMode_Source);
    hdc->drawImage(QPoint(x, y), copy);
    hdc->setCompositionMode(mode);
}

QSize GetBitmapSize(const QImage& bitmap)
{
    return bitmap.size();
}
