// The extended list: rows of multi-element cells, painted by the list itself, with its own scroll ranges.
#include "controls/CExtendListCtrl.h"

#include "controls/CExtendHeaderCtrl.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/CreateLog.h"
#include "controls/ICheckBoxNotify.h"
#include "controls/SysColors.h"
#include "controls/WindowMessages.h"
#include "platform/Log.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace {

constexpr int kRowReserve = 2000;
constexpr int kColumnReserve = 7;
constexpr int kMaxTextChars = 259; // the cell's text field holds 260 characters with its terminator

bool PtInRect(const RECT& r, const QPoint& pt)
{
    return pt.x() >= r.left && pt.x() < r.right && pt.y() >= r.top && pt.y() < r.bottom;
}

int TotalCellWidth(const CExtendListRow& row)
{
    int w = 0;
    for (const CExtendListCell& c : row.cells) w += c.nWidth;
    return w;
}

// The check box of the skin: a white square in a grey frame, with a dark tick when checked.
void DrawCheckBox(QPainter& p, const RECT& box, bool checked)
{
    const QRect r = ToQRect(box).adjusted(0, 0, -1, -1);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(r, Qt::white);
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.drawRect(r);
    if (checked) {
        p.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(QColor(0x20, 0x20, 0x20), 2);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        const QPointF o = r.topLeft();
        const double s = r.width() / 13.0;
        const QPointF tick[] = {o + QPointF(3 * s, 6.5 * s), o + QPointF(5.5 * s, 9 * s), o + QPointF(10 * s, 3.5 * s)};
        p.drawPolyline(tick, 3);
    }
    p.restore();
}

} // namespace

unsigned CExtendListCtrl::FormatOf(int arrange)
{
    const unsigned base = DT_WORD_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
    switch (arrange) {
    case AF_RIGHT: return base | DT_RIGHT;
    case AF_CENTER: return base | DT_CENTER;
    default: return base | DT_LEFT;
    }
}

std::vector<CExtendListCtrl::Element> CExtendListCtrl::LayoutCell(CExtendListCell& cell, const RECT& r,
                                                                  const std::function<int(const QString&)>& textWidth)
{
    std::vector<Element> out;
    const int h = r.Height();
    int x = r.left;
    const int count = std::clamp(cell.nItemCount, 0, CExtendListCell::kMaxItems);
    int i = 0;
    bool stopped = false;
    for (; i < count && !stopped; ++i) {
        CExtendListCellItem& item = cell.items[size_t(i)];
        if (item.bHasCheckBox) {
            item.rcCheckBox =
                RECT{x + 2, r.top + (h - kCheckBoxSize) / 2, x + 2 + kCheckBoxSize, r.bottom - (h - kCheckBoxSize) / 2};
            out.push_back({Element::CheckBox, i, item.rcCheckBox});
            x += 18;
        }
        if (x + 2 >= r.right) {
            stopped = true;
            break;
        }
        if (!item.hIcon.isNull()) {
            out.push_back(
                {Element::Icon, i,
                 RECT{x + 2, r.top + (h - kIconSize) / 2, x + 2 + kIconSize, r.bottom - (h - kIconSize) / 2}});
            x += 24;
        }
        if (x + 4 >= r.right) {
            stopped = true;
            break;
        }
        if (!item.szText.isEmpty()) {
            out.push_back({Element::Text, i, RECT{x + 2, r.top, r.right - 4, r.bottom}});
            x += textWidth(item.szText) + 2;
        }
        x += 4;
        if (x + 2 >= r.right) {
            stopped = true;
            break;
        }
    }
    if (stopped) // the items after the one the walk stopped in were not drawn: their boxes cannot be hit
        for (int j = i + 1; j < count; ++j)
            if (cell.items[size_t(j)].bHasCheckBox) cell.items[size_t(j)].rcCheckBox = RECT{};
    return out;
}

CExtendListCtrl::CExtendListCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_header(new CExtendHeaderCtrl(viewport())), m_font(CreateControlFont())
{
    m_rows.reserve(kRowReserve);
    m_arrange.reserve(kColumnReserve);
    SetDlgCtrlID(m_header, kHeaderId);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setFont(m_font);
    viewport()->setAutoFillBackground(false);
    horizontalScrollBar()->setSingleStep(kLineStep);
    verticalScrollBar()->setSingleStep(kLineStep);
    connect(m_header, &QHeaderView::sectionResized, this, &CExtendListCtrl::OnColumnResized);
    m_header->show();
    LayoutHeader(false);
}

CExtendListCtrl::~CExtendListCtrl() = default;

bool CExtendListCtrl::Create(unsigned style, const RECT& rect, QWidget* parent, unsigned nID)
{
    LogCreateStruct("ExtendListCtrl", QString(), style, rect, parent, nID);
    LogCreateHandler("ExtendListCtrl", QString(), style, rect, parent, nID);
    setParent(parent);
    SetDlgCtrlID(this, int(nID));
    setGeometry(ToQRect(rect));
    if (style & WS_VISIBLE) show();
    return true;
}

void CExtendListCtrl::SetNotifyWnd(QObject* hWnd)
{
    LogError("------------------------ParmInfo:HWND hWnd=%llx", LogPointer(hWnd));
    m_notify = hWnd;
}

void CExtendListCtrl::InsertColumn(const QString& lpszText, unsigned dwWidth, ARRANGE_FORMAT eArrange)
{
    if (!lpszText.isNull())
        LogError("------------------------ParmInfo:LPCTSTR lpszText=%llx, DWORD dwWidth=%x,\t\t\t\t"
                 "CExtendListCtrl::ARRANGE_FORMAT eArragn=%x",
                 LogPointer(lpszText.constData()), dwWidth, unsigned(eArrange));
    m_header->AppendItem(lpszText, int(std::min<unsigned>(dwWidth, 1u << 20)), int(eArrange));
    m_arrange.push_back(eArrange);
    UpdateScrollBars();
}

int CExtendListCtrl::AddRow(int nHeight)
{
    auto row = std::make_unique<CExtendListRow>();
    // Rows stack below the header; the header counts its default height until it has one.
    row->nTop = m_rows.empty() ? m_header->GetHeight() : m_rows.back()->Bottom();
    row->nHeight = std::max(0, nHeight);
    row->nIndex = int(m_rows.size());
    row->cells.reserve(kColumnReserve);
    m_rows.push_back(std::move(row));
    // The scroll ranges follow at once, so that the new row can be reached.
    UpdateScrollBars();
    viewport()->update();
    return m_rows.back()->nIndex;
}

bool CExtendListCtrl::AddCell(unsigned nRow, const CExtendListCell* pCell)
{
    if (!pCell || nRow >= m_rows.size()) return false;
    CExtendListRow& row = *m_rows[nRow];
    const int n = int(row.cells.size());
    if (n >= m_header->GetItemCount()) return false;
    CExtendListCell cell;
    cell.nItemCount = std::clamp(pCell->nItemCount, 0, CExtendListCell::kMaxItems);
    cell.items = pCell->items;
    for (CExtendListCellItem& item : cell.items) {
        item.szText.truncate(kMaxTextChars);
        item.rcCheckBox = RECT{};
    }
    cell.crText = pCell->crText;
    cell.nWidth = m_header->GetItemWidth(n);
    cell.uFormat = FormatOf(size_t(n) < m_arrange.size() ? m_arrange[size_t(n)] : AF_LEFT);
    row.cells.push_back(cell);
    InvalidateRow(&row);
    return true;
}

CExtendListRow* CExtendListCtrl::GetRow(int nIndex) const
{
    return nIndex >= 0 && size_t(nIndex) < m_rows.size() ? m_rows[size_t(nIndex)].get() : nullptr;
}

int CExtendListCtrl::GetSelectedRow() const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i]->bSelected) return int(i);
    return -1;
}

void CExtendListCtrl::SelectRow(CExtendListRow* pRow)
{
    if (!pRow) return;
    for (auto& row : m_rows) {
        const bool was = row->bSelected;
        row->bSelected = false;
        if (was) {
            InvalidateRow(row.get());
            break;
        }
    }
    pRow->bSelected = true;
    InvalidateRow(pRow);
    EnsureRowVisible(pRow);
    setFocus(Qt::OtherFocusReason);
}

void CExtendListCtrl::DeleteAllRows()
{
    m_rows.clear();
    UpdateScrollBars();
    viewport()->update();
}

void CExtendListCtrl::SetColumnWidth(int nCol, int nWidth)
{
    if (nCol < 0) return;
    for (auto& row : m_rows)
        if (size_t(nCol) < row->cells.size()) row->cells[size_t(nCol)].nWidth = nWidth;
}

void CExtendListCtrl::EnsureRowVisible(CExtendListRow* pRow)
{
    if (!pRow) return;
    const int hh = m_header->GetHeight();
    const int clientHeight = viewport()->height();
    const int p = m_vPos;
    int delta = 0;
    if (pRow->nTop < hh + p)
        delta = pRow->nTop - hh - p;
    else if (clientHeight + p < pRow->Bottom())
        delta = pRow->Bottom() - clientHeight - p;
    if (delta != 0) ScrollVert(delta);
}

void CExtendListCtrl::InvalidateRow(CExtendListRow* pRow)
{
    if (!pRow) return;
    const int hh = m_header->GetHeight();
    QRect r(-m_hPos, pRow->nTop - m_vPos, TotalCellWidth(*pRow), pRow->nHeight);
    if (r.bottom() < hh) return;
    r.setTop(std::max(r.top(), hh));
    viewport()->update(r);
}

void CExtendListCtrl::UpdateScrollBars()
{
    if (m_updating) return; // a bar shown or hidden resizes the client, which recomputes once the bars are set
    m_updating = true;
    m_contentWidth = m_header->GetTotalWidth();
    int height = m_header->GetHeight();
    for (const auto& row : m_rows) height += row->nHeight;
    m_contentHeight = height;
    for (int pass = 0; pass < 3; ++pass) { // again when a bar that came or went changed the client
        const QSize client = viewport()->size();
        m_hPage = client.width() < m_contentWidth ? client.width() : 0;
        m_vPage = client.height() < m_contentHeight ? client.height() : 0;
        SyncScrollBars();
        if (viewport()->size() == client) break;
    }
    LayoutHeader(false);
    m_updating = false;
}

void CExtendListCtrl::SyncScrollBars()
{
    // The bars' range is 0..content - page, so a position can never pass the last page.
    m_syncing = true;
    QScrollBar* h = horizontalScrollBar();
    h->setPageStep(std::max(1, m_hPage));
    h->setRange(0, m_hPage > 0 ? m_contentWidth - m_hPage : 0);
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(std::max(1, m_vPage));
    v->setRange(0, m_vPage > 0 ? m_contentHeight - m_vPage : 0);
    m_syncing = false;
    m_hPos = h->value();
    m_vPos = v->value();
}

void CExtendListCtrl::LayoutHeader(bool bRedraw)
{
    LogError("------------------------ParmInfo:BOOL bRedraw=%x", unsigned(bRedraw));
    const int width = std::max(viewport()->width() + m_hPos, m_header->GetTotalWidth());
    m_header->setGeometry(-m_hPos, 0, width, m_header->GetHeight());
    if (bRedraw) m_header->update();
}

int CExtendListCtrl::ScrollVert(int delta)
{
    QScrollBar* v = verticalScrollBar();
    const int before = v->value();
    v->setValue(before + delta);
    return v->value() - before;
}

int CExtendListCtrl::ScrollHorz(int delta)
{
    QScrollBar* h = horizontalScrollBar();
    const int before = h->value();
    h->setValue(before + delta);
    return h->value() - before;
}

void CExtendListCtrl::scrollContentsBy(int, int)
{
    const bool horz = m_hPos != horizontalScrollBar()->value();
    m_hPos = horizontalScrollBar()->value();
    m_vPos = verticalScrollBar()->value();
    if (horz && !m_syncing) LayoutHeader(true);
    viewport()->update();
}

void CExtendListCtrl::resizeEvent(QResizeEvent* e)
{
    LogError("------------------------ParmInfo:UINT nType=%x, int cx=%x, int cy=%x", 0u, unsigned(width()),
             unsigned(height()));
    QAbstractScrollArea::resizeEvent(e);
    // A new size starts again at the top left.
    m_syncing = true;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    m_syncing = false;
    m_hPos = m_vPos = 0;
    UpdateScrollBars();
}

bool CExtendListCtrl::viewportEvent(QEvent* e)
{
    const bool handled = QAbstractScrollArea::viewportEvent(e);
    if (e->type() == QEvent::Resize) // a scroll bar came or went: the pages change with the client
        UpdateScrollBars();
    return handled;
}

void CExtendListCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QSize client = viewport()->size();
    p.fillRect(QRect(QPoint(0, 0), client), ToQColor(GetSysColor(COLOR_WINDOW)));
    p.translate(-m_hPos, -m_vPos);
    p.setFont(m_font);
    for (auto& row : m_rows) {
        if (row->Bottom() < m_vPos) continue;
        PaintRow(p, *row);
        if (m_vPos + client.height() < row->nTop) break;
    }
}

void CExtendListCtrl::PaintRow(QPainter& p, CExtendListRow& row)
{
    int x = 0;
    for (CExtendListCell& cell : row.cells) {
        const RECT r{x, row.nTop, x + cell.nWidth, row.Bottom()};
        PaintCell(p, cell, r, row.bSelected);
        x += cell.nWidth;
    }
}

void CExtendListCtrl::PaintCell(QPainter& p, CExtendListCell& cell, const RECT& r, bool selected)
{
    // The selected row keeps the cell's own text colour on its light fill, so the text stays readable.
    p.fillRect(ToQRect(r), selected ? QColor::fromRgb(kSelectedFill) : ToQColor(GetSysColor(COLOR_WINDOW)));
    const QFontMetrics fm(m_font);
    const auto elements = LayoutCell(cell, r, [&fm](const QString& t) { return fm.horizontalAdvance(t); });
    p.save();
    p.setClipRect(ToQRect(r));
    for (const Element& e : elements) {
        const CExtendListCellItem& item = cell.items[size_t(e.item)];
        switch (e.kind) {
        case Element::CheckBox: DrawCheckBox(p, e.rect, item.bChecked); break;
        case Element::Icon: item.hIcon.paint(&p, ToQRect(e.rect)); break;
        case Element::Text: {
            const QRect tr = ToQRect(e.rect);
            if (tr.width() <= 0) break;
            Qt::Alignment align = Qt::AlignVCenter;
            align |= (cell.uFormat & DT_RIGHT)    ? Qt::AlignRight
                     : (cell.uFormat & DT_CENTER) ? Qt::AlignHCenter
                                                  : Qt::AlignLeft;
            p.setPen(ToQColor(cell.crText));
            p.drawText(tr, int(align) | Qt::TextSingleLine, fm.elidedText(item.szText, Qt::ElideRight, tr.width()));
            break;
        }
        }
    }
    p.restore();
}

void CExtendListCtrl::ToggleCheckBoxAt(CExtendListRow& row, const QPoint& pt)
{
    for (size_t c = 0; c < row.cells.size(); ++c) {
        CExtendListCell& cell = row.cells[c];
        for (int i = 0; i < std::clamp(cell.nItemCount, 0, CExtendListCell::kMaxItems); ++i) {
            CExtendListCellItem& item = cell.items[size_t(i)];
            if (!item.bHasCheckBox || !PtInRect(item.rcCheckBox, pt)) continue;
            item.bChecked = !item.bChecked;
            InvalidateRow(&row);
            if (item.pCheckBoxNotify)
                item.pCheckBoxNotify->OnCheckBoxChanged(item.bChecked, unsigned(row.nIndex), int(c), i);
            return;
        }
    }
}

void CExtendListCtrl::ClickAt(const QPoint& viewportPt, bool right)
{
    const QPoint pt = viewportPt + QPoint(m_hPos, m_vPos);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        CExtendListRow& row = *m_rows[i];
        if (pt.x() >= 0 && pt.x() < TotalCellWidth(row) && pt.y() >= row.nTop && pt.y() < row.Bottom()) {
            ToggleCheckBoxAt(row, pt);
            SelectRow(&row);
        }
    }
    if (right && m_notify) SendMessageTo(m_notify, UM_SELECTION_TOTALS, 0, 0);
}

void CExtendListCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) ClickAt(e->position().toPoint(), false);
    QAbstractScrollArea::mousePressEvent(e);
}

void CExtendListCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The second click of a double click acts as a click of its own (a check box toggles back).
    if (e->button() == Qt::LeftButton) ClickAt(e->position().toPoint(), false);
    QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void CExtendListCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) ClickAt(e->position().toPoint(), true);
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void CExtendListCtrl::wheelEvent(QWheelEvent* e)
{
    if (m_vPage > 0) ScrollVert(e->angleDelta().y() <= 0 ? kLineStep : -kLineStep);
    e->accept();
}

void CExtendListCtrl::keyPressEvent(QKeyEvent* e)
{
    const int sel = GetSelectedRow();
    if (sel >= 0 && e->key() == Qt::Key_Up) {
        SelectRow(GetRow(sel - 1));
        e->accept();
        return;
    }
    if (sel >= 0 && e->key() == Qt::Key_Down) {
        SelectRow(GetRow(sel + 1));
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

void CExtendListCtrl::OnColumnResized(int column, int, int newSize)
{
    SetColumnWidth(column, newSize);
    UpdateScrollBars();
    viewport()->update();
}
