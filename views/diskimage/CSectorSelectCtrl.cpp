// The sector range selector.
#include "views/diskimage/CSectorSelectCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

void SectorBarGeometry::Layout(const QRect& client, uint64_t last)
{
    const QRect drawing = client.adjusted(0, kVerticalMargin, 0, -kVerticalMargin);
    bar = drawing.adjusted(kBarInset, 0, -kBarInset, 0);
    if (bar.width() < 1) bar.setWidth(1);
    if (bar.height() < 1) bar.setHeight(1);
    lastSector = last;
    sectorsPerPixel = double(last) / double(bar.width());
    if (sectorsPerPixel <= 0.0) sectorsPerPixel = 1.0 / double(bar.width());
}

int SectorBarGeometry::PixelOf(uint64_t sector) const
{
    if (sector == 0) return Left();
    if (sector >= lastSector) return Right();
    return Left() + std::min(bar.width(), int(double(sector) / sectorsPerPixel));
}

uint64_t SectorBarGeometry::SectorAt(int x) const
{
    // The ends are snapped: truncating the scale must never drop the last sector or move the first.
    if (x <= Left()) return 0;
    if (x >= Right()) return lastSector;
    const double s = std::floor(double(x - Left()) * sectorsPerPixel);
    return std::min<uint64_t>(lastSector, uint64_t(s));
}

CSectorSelectCtrl::CSectorSelectCtrl(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_geo.Layout(rect(), 0);
    PlaceGrips();
}

uint64_t CSectorSelectCtrl::SetTotal(uint64_t sectorCount)
{
    const uint64_t last = sectorCount ? sectorCount - 1 : 0;
    m_geo.Layout(rect(), last);
    m_first = 0;
    m_last = last;
    PlaceGrips();
    update();
    return last;
}

void CSectorSelectCtrl::SetSelection(uint64_t first, uint64_t last)
{
    const bool reset = first > last || int64_t(first) < 0 || first > m_geo.lastSector || last > m_geo.lastSector;
    if (reset) {
        first = 0;
        last = m_geo.lastSector;
    }
    m_first = first;
    m_last = last;
    PlaceGrips();
    if (reset) emit selectionChanged();
    update();
}

void CSectorSelectCtrl::GetSelection(uint64_t& first, uint64_t& last)
{
    if (m_mode == kStretch) {
        const uint64_t length = m_last - m_first;
        first = m_geo.SectorAt(m_sel.left());
        if (m_sel.left() + m_sel.width() >= m_geo.Right() || first > m_geo.lastSector - length)
            first = m_geo.lastSector - length; // at the right end the stretch ends on the last sector
        last = first + length;
    } else {
        first = m_geo.SectorAt(m_sel.left());
        last = std::max(first, m_geo.SectorAt(m_sel.left() + m_sel.width()));
    }
    m_first = first;
    m_last = last;
}

void CSectorSelectCtrl::PlaceGrips()
{
    // The last sector of the source is the bar's right end, also for a one-sector source.
    const int l = m_geo.PixelOf(m_first);
    const int r = m_last >= m_geo.lastSector ? m_geo.Right() : std::max(l, m_geo.PixelOf(m_last));
    m_sel = QRect(l, m_geo.bar.top(), r - l, m_geo.bar.height());
    const int h = m_geo.bar.height();
    const int top = m_geo.bar.top() + h / 5, bottom = m_geo.bar.top() + 4 * h / 5;
    m_leftGrip = QRect(QPoint(l - SectorBarGeometry::kGripWidth, top), QPoint(l - 1, bottom - 1));
    m_rightGrip = QRect(QPoint(r, top), QPoint(r + SectorBarGeometry::kGripWidth - 1, bottom - 1));
}

void CSectorSelectCtrl::resizeEvent(QResizeEvent*)
{
    // The selected sectors stay; only the scale changes.
    m_geo.Layout(rect(), m_geo.lastSector);
    SetSelection(m_first, m_last);
}

void CSectorSelectCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    m_capture = true;
    m_lastPoint = e->position().toPoint();
    if (m_sel.contains(m_lastPoint))
        m_mode = kStretch;
    else if (m_leftGrip.contains(m_lastPoint))
        m_mode = kLeftGrip;
    else if (m_rightGrip.contains(m_lastPoint))
        m_mode = kRightGrip;
    else
        m_mode = kNone;
}

void CSectorSelectCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    m_capture = true;
    m_lastPoint = e->position().toPoint();
}

void CSectorSelectCtrl::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    if (m_sel.adjusted(-1, -1, 1, 1).contains(pt))
        setCursor(Qt::SizeAllCursor);
    else if (m_leftGrip.contains(pt) || m_rightGrip.contains(pt))
        setCursor(Qt::SizeHorCursor);
    else
        setCursor(Qt::ArrowCursor);
    if (!m_capture || m_mode == kNone) return;

    const int barL = m_geo.Left(), barR = m_geo.Right();
    int l = m_sel.left(), r = m_sel.left() + m_sel.width();
    const int x = std::clamp(pt.x(), barL, barR);
    if (m_mode == kStretch) {
        if (r - l <= barR - barL) {
            const int dx = std::clamp(pt.x() - m_lastPoint.x(), barL - l, barR - r);
            l += dx;
            r += dx;
        }
    } else if (m_mode == kLeftGrip) {
        l = std::min(x, r);
    } else if (m_mode == kRightGrip) {
        r = std::max(x, l);
    }
    m_sel = QRect(l, m_sel.top(), r - l, m_sel.height());
    const int h = m_geo.bar.height(), top = m_geo.bar.top() + h / 5, bottom = m_geo.bar.top() + 4 * h / 5;
    m_leftGrip = QRect(QPoint(l - SectorBarGeometry::kGripWidth, top), QPoint(l - 1, bottom - 1));
    m_rightGrip = QRect(QPoint(r, top), QPoint(r + SectorBarGeometry::kGripWidth - 1, bottom - 1));
    update();
    emit selectionChanged();
    m_lastPoint = pt;
}

void CSectorSelectCtrl::mouseReleaseEvent(QMouseEvent*)
{
    if (!m_capture) return;
    m_capture = false;
    m_mode = kNone;
}

void CSectorSelectCtrl::paintEvent(QPaintEvent*)
{
    QPixmap buffer(size());
    QPainter p(&buffer);
    p.fillRect(rect(), QColor::fromRgb(m_background));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect bar(m_geo.bar.left(), m_geo.bar.top(), m_geo.bar.width() + 1, m_geo.bar.height());
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    p.fillRect(bar.adjusted(1, 1, -1, -1), QColor::fromRgb(m_barColor));
    // Grips with a triangle pointing outward, away from the selection.
    for (int side = 0; side < 2; ++side) {
        const QRect g = side == 0 ? m_leftGrip : m_rightGrip;
        p.fillRect(g, QColor::fromRgb(m_background));
        p.setPen(Qt::black);
        p.drawRect(g.adjusted(0, 0, -1, -1));
        const int mid = g.top() + g.height() / 2;
        for (int i = 0; i < SectorBarGeometry::kGripWidth; ++i) {
            const int x = side == 0 ? g.right() - i : g.left() + i;
            const int half = (SectorBarGeometry::kGripWidth - i) * g.height() / (4 * SectorBarGeometry::kGripWidth);
            p.drawLine(x, mid - half, x, mid + half);
        }
    }
    if (m_sel.width() > 0) {
        const QRect s(m_sel.left(), m_sel.top(), m_sel.width() + 1, m_sel.height());
        p.setPen(palette().color(QPalette::Highlight));
        p.drawLine(s.topLeft(), s.topRight());
        p.drawLine(s.topLeft(), s.bottomLeft());
        p.setPen(palette().color(QPalette::Shadow));
        p.drawLine(s.bottomLeft(), s.bottomRight());
        p.drawLine(s.topRight(), s.bottomRight());
        p.fillRect(s.adjusted(1, 1, -1, -1), QColor::fromRgb(m_selColor));
    }
    p.end();
    QPainter(this).drawPixmap(0, 0, buffer);
}
