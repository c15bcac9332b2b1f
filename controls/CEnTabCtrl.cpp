// The tab bar with the process-wide look.
#include "controls/CEnTabCtrl.h"

#include "controls/SysColors.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace {

unsigned s_lookFlags = 0; // user-interface thread only

int Channel(int c, float factor)
{
    return int(float(c) * factor);
}

} // namespace

COLORREF LightenColor(COLORREF cr, float factor)
{
    if (factor <= 1.0f) factor = 1.0f;
    auto ch = [factor](int c) {
        const int v = Channel(c, factor);
        return v > 254 ? 255 : v;
    };
    return RGB(ch(GetRValue(cr)), ch(GetGValue(cr)), ch(GetBValue(cr)));
}

COLORREF DarkenColor(COLORREF cr, float factor)
{
    if (factor >= 1.0f) factor = 1.0f;
    if (factor < 0.0f) factor = 0.0f;
    return RGB(Channel(GetRValue(cr), factor), Channel(GetGValue(cr), factor), Channel(GetBValue(cr), factor));
}

std::vector<CEnTabCtrl::Band> CEnTabCtrl::TabFill(const QRect& r, COLORREF c0, COLORREF c1, bool gradient)
{
    if (!gradient || r.height() <= 0) return {{r, c0}};
    std::vector<Band> bands;
    const int h = r.height();
    auto mix = [h](int a, int b, int y) { return a + y * (b - a) / h; };
    for (int y = 0; y < h; y += 2)
        bands.push_back({QRect(r.left(), r.top() + y, r.width(), 2),
                         RGB(mix(GetRValue(c0), GetRValue(c1), y), mix(GetGValue(c0), GetGValue(c1), y),
                             mix(GetBValue(c0), GetBValue(c1), y))});
    return bands;
}

CEnTabCtrl::CEnTabCtrl(QWidget* parent) : CBaseTabCtrl(parent) {}

CEnTabCtrl::~CEnTabCtrl() = default;

void CEnTabCtrl::EnableCustomLook(bool bEnable, unsigned dwStyle)
{
    s_lookFlags = bEnable ? dwStyle : 0;
}

unsigned CEnTabCtrl::GetLookFlags()
{
    return s_lookFlags;
}

void CEnTabCtrl::PreSubclassWindow()
{
    if (GetDrawType() != 0 || s_lookFlags != 0) SetOwnerDrawn(true);
}

COLORREF CEnTabCtrl::GetTabBackColor(bool bSelected) const
{
    const unsigned f = s_lookFlags;
    const COLORREF b = GetBkgndColor();
    const COLORREF s = GetSysColor(COLOR_BTNFACE);
    const COLORREF custom = (f & ETC_COLOR) && b != CLR_DEFAULT_BKGND ? b : s;
    if (bSelected) return (f & ETC_SELECTION) ? LightenColor(custom, 1.4f) : s;
    if ((f & ETC_BACKTABS) || !(f & ETC_FLAT)) return DarkenColor(custom, 0.9f);
    return b == CLR_DEFAULT_BKGND ? s : b;
}

COLORREF CEnTabCtrl::GetTabTextColor(bool bSelected) const
{
    if (bSelected) return GetSysColor(COLOR_WINDOWTEXT);
    const unsigned f = s_lookFlags;
    const COLORREF b = GetBkgndColor();
    if ((f & (ETC_COLOR | ETC_FLAT)) && b != CLR_DEFAULT_BKGND) return DarkenColor(b, 0.5f);
    return DarkenColor(GetSysColor(COLOR_BTNFACE), 0.5f);
}

QString CEnTabCtrl::FormatTabText(const QString& text, int width) const
{
    return QFontMetrics(font()).elidedText(text, Qt::ElideRight, std::max(0, width));
}

void CEnTabCtrl::DrawItem(const DRAWITEMSTRUCT* lpdis)
{
    if (!lpdis || !lpdis->hDC || lpdis->itemID < 0 || lpdis->itemID >= count()) return;
    QPainter& p = *lpdis->hDC;
    const bool selected = lpdis->itemID == currentIndex();
    QRect r = lpdis->rcItem;
    r.setBottom(r.bottom() + (selected ? -1 : 2));
    const COLORREF c0 = GetTabBackColor(selected);
    const unsigned f = s_lookFlags;
    const bool gradient = (f & ETC_GRADIENT) && lpdis->bitsPerPixel >= 16;
    COLORREF c1 = c0;
    if (gradient) {
        const COLORREF b = GetBkgndColor();
        const COLORREF s = GetSysColor(COLOR_BTNFACE);
        c1 = selected ? s : DarkenColor((f & ETC_COLOR) && b != CLR_DEFAULT_BKGND ? b : s, 0.7f);
    }
    for (const Band& band : TabFill(r, c0, c1, gradient)) p.fillRect(band.rect & r, ToQColor(band.colour));

    r.setLeft(r.left() + 3);
    r.setTop(r.top() + 3 + (selected ? 1 : 0));
    const QIcon icon = tabIcon(lpdis->itemID);
    if (!icon.isNull()) {
        icon.paint(&p, QRect(r.left(), r.top(), 16, 16));
        r.setLeft(r.left() + 19);
    }
    r.setRight(r.right() - 3);
    const QString text = FormatTabText(tabText(lpdis->itemID).left(99), r.width());
    p.setPen(ToQColor(GetTabTextColor(selected)));
    p.drawText(r, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
}

void CEnTabCtrl::DrawTabAreaBorder(const DRAWITEMSTRUCT* lpdis)
{
    if (!lpdis || !lpdis->hDC) return;
    const COLORREF c = GetTabBackColor(false);
    QPainter& p = *lpdis->hDC;
    const QRect r = lpdis->rcItem.adjusted(0, 0, -1, -1);
    p.setPen(ToQColor(LightenColor(c, 1.5f)));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(ToQColor(DarkenColor(c, 0.75f)));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void CEnTabCtrl::DrawTabBorder(const DRAWITEMSTRUCT* lpdis)
{
    if (!lpdis || !lpdis->hDC) return;
    const bool selected = lpdis->itemState & 1;
    const COLORREF c = GetTabBackColor(selected);
    QPainter& p = *lpdis->hDC;
    QRect r = lpdis->rcItem;
    if (selected || (s_lookFlags & ETC_BACKTABS)) {
        r.setBottom(r.bottom() + (selected ? -1 : 1));
        p.setPen(ToQColor(LightenColor(c, 1.5f)));
        p.drawLine(r.left(), r.bottom(), r.left(), r.top());
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.setPen(ToQColor(DarkenColor(c, 0.75f)));
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    } else {
        p.setPen(ToQColor(DarkenColor(c, 0.75f)));
        p.drawLine(r.left() - 1, r.top(), r.left() - 1, r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    }
}

void CEnTabCtrl::paintEvent(QPaintEvent* e)
{
    // Painted as the platform paints owner-drawn tabs: frames by the bar, insides by DrawItem; the base's
    // own painting and the border operations take no part.
    if (!IsOwnerDrawn()) {
        QTabBar::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.setFont(font());
    PaintOwnerDrawnTabs(p);
}
