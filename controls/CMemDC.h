// A memory drawing surface for flicker-free painting: paint into it (it is a QPainter), and its
// destructor copies the whole picture to the target painter at (0, 0) in one go.
#pragma once

#include <QImage>
#include <QPainter>

namespace memdc_detail {
struct Surface {
    explicit Surface(int cx, int cy);
    QImage m_image;
};
} // namespace memdc_detail

class CMemDC : private memdc_detail::Surface, public QPainter {
public:
    // The surface starts black, as a new compatible bitmap does. pDC is not owned and may be null
    // (then nothing is copied).
    CMemDC(QPainter* pDC, int cx, int cy);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    const QImage& Surface() const { return m_image; }

private:
    QPainter* m_target;
};
