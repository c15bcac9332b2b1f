// Drawing of skin bitmaps.
#include "controls/CMaskedBitmap.h"

#include "controls/CResourceLibrary.h"

#include <QPainter>
#include <algorithm>

bool CMaskedBitmap::LoadBitmap(unsigned id)
{
    SetImage(id ? CResourceLibrary::Instance().LoadBitmap(id) : QImage());
    return HasImage();
}

void CMaskedBitmap::SetImage(const QImage& image)
{
    m_image = image;
    m_masked = QImage();
}

void CMaskedBitmap::DeleteObject()
{
    SetImage(QImage());
}

void CMaskedBitmap::Draw(QPainter* pDC, int x, int y) const
{
    if (!pDC || m_image.isNull()) return;
    const auto mode = pDC->compositionMode();
    pDC->setCompositionMode(QPainter::CompositionMode_Source); // a copy, as a plain blit is
    pDC->drawImage(QPoint(x, y), m_image);
    pDC->setCompositionMode(mode);
}

void CMaskedBitmap::DrawBand(QPainter* pDC, int x, int y, int cx, int cy) const
{
    if (!pDC || m_image.isNull() || cx <= 0 || cy <= 0) return;
    const auto mode = pDC->compositionMode();
    pDC->setCompositionMode(QPainter::CompositionMode_Source);
    const int w = std::min(cx, m_image.width());
    // Rows keep their height as the band has it; columns are never stretched.
    pDC->drawImage(QRectF(x, y, w, cy), m_image, QRectF(0, 0, w, m_image.height()));
    if (cx > w)
        pDC->drawImage(QRectF(x + w, y, cx - w, cy), m_image, QRectF(m_image.width() - 1, 0, 1, m_image.height()));
    pDC->setCompositionMode(mode);
}

void CMaskedBitmap::DrawStretched(QPainter* pDC, int x, int y, int cx, int cy) const
{
    if (!pDC || m_image.isNull() || cx == 0 || cy == 0) return;
    const auto mode = pDC->compositionMode();
    pDC->setCompositionMode(QPainter::CompositionMode_Source);
    pDC->drawImage(QRectF(x, y, cx, cy), m_image, QRectF(m_image.rect()));
    pDC->setCompositionMode(mode);
}

QImage CMaskedBitmap::MaskedImage(const QImage& image, COLORREF crColour)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(GetRValue(crColour), GetGValue(crColour), GetBValue(crColour)) & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) row[x] = (row[x] & 0xFFFFFF) == key ? 0 : (row[x] | 0xFF000000u);
    }
    return out;
}

void CMaskedBitmap::DrawTransparent(QPainter* pDC, int x, int y, COLORREF crColour) const
{
    if (!pDC || m_image.isNull()) return;
    if (m_masked.isNull() || m_maskedKey != crColour) {
        m_masked = MaskedImage(m_image, crColour);
        m_maskedKey = crColour;
    }
    // The bitmap keeps its size in device pixels: its extent is converted to the painter's logical units.
    const QTransform t = pDC->combinedTransform();
    const qreal sx = std::hypot(t.m11(), t.m12()), sy = std::hypot(t.m21(), t.m22());
    const QRectF target(x, y, sx > 0 ? m_image.width() / sx : m_image.width(),
                        sy > 0 ? m_image.height() / sy : m_image.height());
    const auto mode = pDC->compositionMode();
    pDC->setCompositionMode(QPainter::CompositionMode_SourceOver);
    pDC->drawImage(target, m_masked, QRectF(m_masked.rect()));
    pDC->setCompositionMode(mode);
}
