// The memory drawing surface.
#include "controls/CMemDC.h"

memdc_detail::Surface::Surface(int cx, int cy)
    : m_image(std::max(cx, 0), std::max(cy, 0), QImage::Format_ARGB32_Premultiplied)
{
    if (!m_image.isNull()) m_image.fill(Qt::black);
}

CMemDC::CMemDC(QPainter* pDC, int cx, int cy) : memdc_detail::Surface(cx, cy), m_target(pDC)
{
    if (!m_image.isNull()) begin(&m_image);
}

CMemDC::~CMemDC()
{
    if (isActive()) end();
    if (m_target && !m_image.isNull()) {
        const auto mode = m_target->compositionMode();
        m_target->setCompositionMode(QPainter::CompositionMode_Source);
        m_target->drawImage(QPoint(0, 0), m_image);
        m_target->setCompositionMode(mode);
    }
}
