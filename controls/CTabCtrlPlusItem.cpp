// One tab of the tab strip.
#include "controls/CTabCtrlPlusItem.h"

#include "controls/CreateLog.h"
#include "platform/Log.h"

#include <QPainter>

namespace {

bool PtInRect(const RECT& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

CTabCtrlPlusItem::CTabCtrlPlusItem(const RECT& rcItem, const QString& lpszItem, QWidget* pWnd, bool bHasCloseBox)
    : m_rcItem(rcItem), m_text(lpszItem), m_pWnd(pWnd), m_hasCloseBox(bHasCloseBox)
{
    if (pWnd)
        LogError("------------------------ParmInfo:const CRect& rcItem=%llx, LPCTSTR lpszItem=%llx, CWnd* pWnd=%llx,"
                 "\t\t\t\tBOOL bHasCloseBox=%x",
                 LogPointer(&rcItem), LogPointer(lpszItem.constData()), LogPointer(pWnd), unsigned(bHasCloseBox));
    // At first the box is shrunk by 6 vertically; SetPos places it for good.
    const RECT& r = m_rcItem;
    m_rcCloseBox = RECT{r.right - 20 + 6 - 6, r.top + 6, r.right - 6 - 6, r.bottom - 6};
}

void CTabCtrlPlusItem::SetSelected(bool bSelected)
{
    LogError("------------------------ParmInfo:BOOL bSelected=%d", int(bSelected));
    m_selected = bSelected;
    if (m_pWnd) m_pWnd->setVisible(bSelected);
}

void CTabCtrlPlusItem::SetPos(int iPos)
{
    LogError("------------------------ParmInfo:int iPos=%x", unsigned(iPos));
    const int w = m_rcItem.Width();
    m_rcItem.left = iPos;
    m_rcItem.right = iPos + w;
    // (R - 20, T, R, B) shrunk by 6 at the sides and 8 at top and bottom, then 6 to the left.
    m_rcCloseBox = RECT{m_rcItem.right - 20, m_rcItem.top + 8, m_rcItem.right - 12, m_rcItem.bottom - 8};
}

bool CTabCtrlPlusItem::HitTest(int x, int y) const
{
    return PtInRect(m_rcItem, x, y);
}

bool CTabCtrlPlusItem::HitCloseBox(int x, int y) const
{
    return m_hasCloseBox && PtInRect(m_rcCloseBox, x, y);
}

void CTabCtrlPlusItem::Draw(QPainter* dc) const
{
    if (!dc) return;
    dc->save();
    const RECT& r = m_rcItem;
    dc->setPen(QColor::fromRgb(kFrameColour));
    dc->setBrush(Qt::NoBrush);
    if (r.Width() > 0 && r.Height() > 0) dc->drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
    if (m_selected) {
        if (r.Width() > 2 && r.Height() > 1) {
            dc->fillRect(QRect(QPoint(r.left + 1, r.top + 1), QPoint(r.right - 2, r.top + 3)) &
                             QRect(r.left + 1, r.top + 1, r.Width() - 2, r.Height() - 1),
                         QColor::fromRgb(kSelectionBand));
            if (r.bottom > r.top + 4)
                dc->fillRect(QRect(r.left + 1, r.top + 4, r.Width() - 2, r.bottom - r.top - 4), Qt::white);
        }
    }
    if (m_hasCloseBox) DrawCloseBox(dc);
    RECT text{r.left + 18, r.top, m_hasCloseBox ? m_rcCloseBox.left : r.right, r.bottom};
    if (text.Width() > 0 && text.Height() > 0) {
        dc->setPen(Qt::black);
        const QRect tr = ToQRect(text);
        dc->setClipRect(tr); // the label stays inside its tab, however low the tab
        dc->drawText(tr, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     dc->fontMetrics().elidedText(m_text, Qt::ElideRight, tr.width()));
    }
    dc->restore();
}

void CTabCtrlPlusItem::DrawCloseBox(QPainter* dc) const
{
    if (!dc || !m_hasCloseBox) return;
    dc->save();
    dc->setPen(QPen(QColor::fromRgb(m_pressed ? kPressedColour : kFrameColour), 2));
    const RECT& b = m_rcCloseBox;
    dc->drawLine(b.left, b.top, b.right, b.bottom);
    dc->drawLine(b.right, b.top, b.left, b.bottom);
    dc->restore();
}
