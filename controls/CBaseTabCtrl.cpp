// The owner-drawn tab bar base.
#include "controls/CBaseTabCtrl.h"

#include "controls/ControlId.h"
#include "controls/SysColors.h"

#include <QPaintDevice>
#include <QPainter>

namespace {
constexpr QRgb kFrameLight = 0xFFFFFFFF;
constexpr QRgb kFrameDark = 0xFFA0A0A0;
} // namespace

CBaseTabCtrl::CBaseTabCtrl(QWidget* parent) : QTabBar(parent)
{
    setDrawBase(false);
    setExpanding(false);
}

CBaseTabCtrl::~CBaseTabCtrl() = default;

bool CBaseTabCtrl::SetDrawType(int nType)
{
    if (nType < 0 || nType > 2) return false;
    m_drawType = nType;
    SetOwnerDrawn(nType != 0);
    return true;
}

void CBaseTabCtrl::SetBkgndColor(COLORREF cr)
{
    m_crBack = cr;
    update();
}

void CBaseTabCtrl::SetOwnerDrawn(bool on)
{
    m_ownerDrawn = on;
    update();
}

void CBaseTabCtrl::DrawItem(const DRAWITEMSTRUCT*) {}
void CBaseTabCtrl::DrawTabAreaBorder(const DRAWITEMSTRUCT*) {}
void CBaseTabCtrl::DrawTabBorder(const DRAWITEMSTRUCT*) {}
COLORREF CBaseTabCtrl::GetTabBackColor(bool) const
{
    return GetSysColor(COLOR_BTNFACE);
}
COLORREF CBaseTabCtrl::GetTabTextColor(bool) const
{
    return GetSysColor(COLOR_WINDOWTEXT);
}

COLORREF CBaseTabCtrl::BackgroundOrFace() const
{
    return m_crBack == CLR_DEFAULT_BKGND ? GetSysColor(COLOR_BTNFACE) : m_crBack;
}

void CBaseTabCtrl::paintEvent(QPaintEvent* e)
{
    if (!m_ownerDrawn) {
        QTabBar::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.setFont(font());
    if (m_drawType == 2)
        PaintAllByItself(p);
    else
        PaintOwnerDrawnTabs(p);
}

void CBaseTabCtrl::PaintOwnerDrawnTabs(QPainter& p)
{
    p.fillRect(rect(), ToQColor(GetSysColor(COLOR_BTNFACE)));
    const int sel = currentIndex();
    int bottom = 0;
    for (int i = 0; i < count(); ++i) bottom = std::max(bottom, tabRect(i).bottom());
    p.setPen(QColor::fromRgb(kFrameLight));
    p.drawLine(0, bottom, width() - 1, bottom);
    auto paintTab = [&](int i) {
        const bool selected = i == sel;
        QRect r = tabRect(i);
        if (selected)
            r.adjust(-2, -2, 2, 1);
        else
            r.adjust(0, 0, 0, -1);
        r &= rect();
        p.fillRect(r, ToQColor(GetSysColor(COLOR_BTNFACE)));
        p.setPen(QColor::fromRgb(kFrameLight));
        p.drawLine(r.left(), r.bottom(), r.left(), r.top() + 2);
        p.drawLine(r.left() + 2, r.top(), r.right() - 2, r.top());
        p.drawPoint(r.left() + 1, r.top() + 1);
        p.setPen(QColor::fromRgb(kFrameDark));
        p.drawLine(r.right(), r.top() + 2, r.right(), r.bottom());
        p.drawPoint(r.right() - 1, r.top() + 1);
        DRAWITEMSTRUCT dis;
        dis.CtlID = GetDlgCtrlID(this);
        dis.itemID = i;
        dis.itemState = selected ? 1 : 0;
        dis.hDC = &p;
        dis.rcItem = r.adjusted(1, 1, -1, selected ? 0 : -1);
        dis.bitsPerPixel = p.device()->depth();
        p.save();
        DrawItem(&dis);
        p.restore();
    };
    for (int i = 0; i < count(); ++i)
        if (i != sel) paintTab(i);
    if (sel >= 0) paintTab(sel);
}

void CBaseTabCtrl::PaintAllByItself(QPainter& p)
{
    p.fillRect(rect(), ToQColor(BackgroundOrFace()));
    DRAWITEMSTRUCT dis;
    dis.CtlID = GetDlgCtrlID(this);
    dis.hDC = &p;
    dis.bitsPerPixel = p.device()->depth();
    int tabsBottom = 0;
    for (int i = 0; i < count(); ++i) tabsBottom = std::max(tabsBottom, tabRect(i).bottom() + 1);
    dis.rcItem = QRect(0, tabsBottom - 2, width(), std::max(0, height() - tabsBottom + 2));
    DrawTabAreaBorder(&dis);
    const int sel = currentIndex();
    for (int i = count() - 1; i >= 0; --i) {
        if (i == sel) continue;
        dis.itemID = i;
        dis.itemState = 0;
        dis.rcItem = tabRect(i).adjusted(0, 0, 0, -2);
        p.save();
        DrawItem(&dis);
        p.restore();
        DrawTabBorder(&dis);
    }
    if (sel >= 0) {
        dis.itemID = sel;
        dis.itemState = 1;
        dis.rcItem = tabRect(sel).adjusted(0, -2, 0, 2);
        p.save();
        DrawItem(&dis);
        p.restore();
        DrawTabBorder(&dis);
    }
}
