// The space pie.
#include "controls/CPieCtrl.h"

#include "controls/ControlId.h"
#include "controls/CreateLog.h"
#include "platform/Log.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr COLORREF kFaces[3] = {0xFF00FF, 0x05C9D3, 0xFF0000};
constexpr COLORREF kEdges[3] = {0x800080, 0x03787E, 0x800000};
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

// The edge-band rectangle of a slice that starts on the front half.
RECT EdgeArea(const CPieSlice& s, int rx, int ry)
{
    const int sx = s.start.x(), sy = s.start.y(), ex = s.end.x(), ey = s.end.y();
    QPoint topLeft;
    int bottom;
    if (sx >= 1 && ex >= 1) {
        if (ey > 0 || s.angle < 2) {
            topLeft = QPoint(ex, sy);
            bottom = ey;
        } else {
            topLeft = QPoint(-rx, 0);
            bottom = ry;
        }
    } else if (sx > 0 || ex > 0) {
        topLeft = ey > 0 ? QPoint(ex, std::min(sy, ey)) : QPoint(-rx, 0);
        bottom = ry;
    } else {
        topLeft = ey > 0 ? QPoint(ex, ey) : QPoint(-rx, 0);
        bottom = sy;
    }
    return RECT{topLeft.x(), topLeft.y(), sx, bottom + CPieCtrl::kEdgeDepth};
}

// Fills every pixel reachable from seed (4-neighbours) without crossing black with white.
void FloodFillToBlack(QImage& img, QPoint seed)
{
    if (!img.rect().contains(seed) || img.pixel(seed) == kBlack) return;
    std::vector<QPoint> stack{seed};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        if (!img.rect().contains(p)) continue;
        const QRgb c = img.pixel(p);
        if (c == kBlack || c == kWhite) continue;
        img.setPixel(p, kWhite);
        stack.push_back(p + QPoint(1, 0));
        stack.push_back(p + QPoint(-1, 0));
        stack.push_back(p + QPoint(0, 1));
        stack.push_back(p + QPoint(0, -1));
    }
}

} // namespace

CPieCtrl::Geometry CPieCtrl::ComputePie(int64_t llFree, int64_t llRequired, int64_t llUsed, int width, int height)
{
    Geometry g;
    g.rx = int(double(width) / 100 * 35);
    g.ry = int(double(height) / 35 * 6);
    g.centre = QPoint(width / 2, height - height / 3);
    for (int i = 0; i < 3; ++i) {
        g.slices[size_t(i)].face = kFaces[i];
        g.slices[size_t(i)].edgeColour = kEdges[i];
    }
    // Amounts that add up to nothing (or less) draw no pie; the sum is taken without overflow.
    const int64_t amounts[3] = {std::max<int64_t>(llFree, 0), std::max<int64_t>(llRequired, 0),
                                std::max<int64_t>(llUsed, 0)};
    const long double sum = (long double)amounts[0] + amounts[1] + amounts[2];
    if (sum <= 0 || llFree < 0 || llRequired < 0 || llUsed < 0) return g;
    g.empty = false;
    int total = 0;
    for (int i = 0; i < 3; ++i) {
        g.slices[size_t(i)].angle = int(float(amounts[i] / sum) * 360 + 0.5f);
        total += g.slices[size_t(i)].angle;
    }
    g.slices[kUsed].angle += 360 - total;

    QPoint start(g.rx, 0);
    int cumulative = 0;
    for (CPieSlice& s : g.slices) {
        cumulative += s.angle;
        const double a = cumulative * M_PI / 180;
        int x = int(std::cos(a) * g.rx);
        x += x < 0 ? -1 : 1;
        x = std::clamp(x, -g.rx, g.rx);
        const int y = int(std::sin(a) * g.ry);
        s.start = start;
        s.end = QPoint(x, y);
        start = s.end;
    }
    // Every drawing starts from empty edge areas; a slice starting on the back half has none.
    for (CPieSlice& s : g.slices) s.edge = s.start.y() >= 0 ? EdgeArea(s, g.rx, g.ry) : RECT{};
    return g;
}

QImage CPieCtrl::RenderPie(const Geometry& g, int width, int height, COLORREF background)
{
    QImage out(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    out.fill(ToQColor(background));
    if (g.empty || g.rx <= 0 || g.ry <= 0) return out;

    // Drawn on a transparent surface first, so that the fill and the edge colours touch only the pie.
    QImage img(out.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const int rx = g.rx, ry = g.ry;
    const QRect pieRect(-rx, -ry, 2 * rx, 2 * ry);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.translate(g.centre);
        p.setPen(QPen(QColor::fromRgb(kBlack), 0));
        int cumulative = 0;
        for (const CPieSlice& s : g.slices) {
            cumulative += s.angle;
            if (s.angle > 2) {
                p.setBrush(ToQColor(s.face));
                // Qt counts angles anticlockwise on the screen; the slices run clockwise from 3 o'clock.
                p.drawPie(pieRect, -cumulative * 16, s.angle * 16);
            }
        }
        p.setBrush(Qt::NoBrush);
        p.drawArc(pieRect.translated(0, kEdgeDepth), 180 * 16, 180 * 16);
        p.drawLine(-rx, 0, -rx, kEdgeDepth);
        p.drawLine(rx, 0, rx, kEdgeDepth);
    }
    FloodFillToBlack(img, g.centre + QPoint(0, ry + 1));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.translate(g.centre);
        p.setPen(QPen(QColor::fromRgb(kBlack), 0));
        for (const CPieSlice& s : g.slices)
            if (s.end.y() > 0) p.drawLine(s.end, s.end + QPoint(0, kEdgeDepth));
    }
    for (const CPieSlice& s : g.slices) {
        if (s.edge.IsEmpty() && s.edge == RECT{}) continue;
        const int x0 = std::min(s.edge.left, s.edge.right), x1 = std::max(s.edge.left, s.edge.right);
        const int y0 = std::min(s.edge.top, s.edge.bottom), y1 = std::max(s.edge.top, s.edge.bottom);
        const QRgb colour = ToQColor(s.edgeColour).rgba();
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const QPoint q = g.centre + QPoint(x, y);
                if (img.rect().contains(q) && img.pixel(q) == kWhite) img.setPixel(q, colour);
            }
    }
    QPainter p(&out);
    p.drawImage(0, 0, img);
    return out;
}

CPieCtrl::CPieCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CPieCtrl::~CPieCtrl() = default;

bool CPieCtrl::Create(const RECT& rect, QWidget* parent, unsigned nID)
{
    if (parent)
        LogError(
            "------------------------ParmInfo:LPCTSTR lpszClassName=%x, LPCTSTR lpszWindowName=%x, DWORD dwStyle=%x,"
            "\t\t\t\t\tconst RECT& rect=%llx,CWnd* pParentWnd=%llx, UINT nID=%x, CCreateContext* pContext=%x",
            0u, 0u, WS_CHILD | WS_VISIBLE, LogPointer(&rect), LogPointer(parent), nID, 0u);
    QRect r = ToQRect(rect);
    r.setWidth(std::max(r.width(), kMinWidth));
    r.setHeight(std::max(r.height(), kMinHeight));
    setParent(parent);
    SetDlgCtrlID(this, int(nID));
    setGeometry(r);
    show();
    return true;
}

void CPieCtrl::SetSpace(int64_t llFreeSpace, int64_t llRequiredSpace, int64_t llUsedSpace)
{
    LogError("------------------------ParmInfo:LONGLONG llFreeSpace=%llX, LONGLONG llRequiredSpace=%llX,\t\t\t\t"
             "LONGLONG llUsedSpace=%llX",
             static_cast<unsigned long long>(llFreeSpace), static_cast<unsigned long long>(llRequiredSpace),
             static_cast<unsigned long long>(llUsedSpace));
    m_free = llFreeSpace;
    m_required = llRequiredSpace;
    m_used = llUsedSpace;
}

void CPieCtrl::paintEvent(QPaintEvent*)
{
    m_last = ComputePie(m_free, m_required, m_used, width(), height());
    QPainter p(this);
    p.drawImage(0, 0, RenderPie(m_last, width(), height(), m_background));
}
