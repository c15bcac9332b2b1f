// Rows, painting and mouse and key handling of the device list.
#include "views/devices/CDeviceSelectView.h"

#include "controls/CExtendHeaderCtrl.h"
#include "controls/ControlFont.h"
#include "core/DisplayText.h"
#include "core/LanguageHelpers.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kIconLeft = 2;
constexpr int kTextInset = 4;

QStringList LinesOf(const QString& text)
{
    return text.split(QLatin1Char('\n'));
}

} // namespace

int CDeviceSelectView::RowHeight(const Row& row, const std::array<QSize, 7>& iconSizes,
                                 const std::function<int(const QString&)>& textHeight)
{
    int height = 0;
    for (const Cell& cell : row.cells) {
        if (cell.bitmap >= 0 && cell.bitmap < int(iconSizes.size()) && !iconSizes[size_t(cell.bitmap)].isEmpty())
            height = std::max(height, iconSizes[size_t(cell.bitmap)].height() + 10);
        height = std::max(height, textHeight(cell.text));
    }
    return height;
}

int CDeviceSelectView::HitRow(const std::vector<Row>& rows, const QPoint& pt)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        if (pt.x() >= 0 && pt.x() < r.Width() && pt.y() >= r.top && pt.y() < r.top + r.height) return int(i);
    }
    return -1;
}

int CDeviceSelectView::ScrollPosToShow(int pos, int pageHeight, int top, int height)
{
    if (top < pos) return top;
    if (top + height > pos + pageHeight) return std::max(0, top + height - pageHeight);
    return pos;
}

CDeviceSelectView::CDeviceSelectView(QWidget* parent) : QAbstractScrollArea(parent)
{
    m_font = MakeCellHeightFont(QString::fromLatin1(GetUIFontName()), 15, 400);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(10);
    verticalScrollBar()->setSingleStep(10);
}

CDeviceSelectView::~CDeviceSelectView() = default;

void CDeviceSelectView::SetDeviceBitmaps(const DEVICE_BITMAP& bitmaps)
{
    for (size_t i = 0; i < m_icons.size(); ++i)
        if (!m_icons[i].LoadBitmap(bitmaps.ids[i])) m_icons[i].DeleteObject();
    viewport()->update();
}

int CDeviceSelectView::TextHeight(const QString& text) const
{
    return int(LinesOf(text).size()) * QFontMetrics(m_font).height();
}

void CDeviceSelectView::AddItem(const DEVICE_ITEM* item)
{
    if (!item) return;
    Row row;
    const int icon = item->nIcon >= 0 && item->nIcon < int(m_icons.size()) && m_icons[size_t(item->nIcon)].HasImage()
                         ? item->nIcon
                         : -1;
    row.cells[0] = {icon, QString::fromUtf8(item->pszName ? item->pszName : ""), 0};
    row.cells[1] = {
        -1, item->nSectors ? QString::fromStdString(FormatSectorsAsSize(item->nSectors, item->nSectorSize)) : QString(),
        0};
    row.cells[2] = {-1, QString::fromUtf8(item->pszInfo ? item->pszInfo : ""), 0};
    for (int c = 0; c < kCellCount; ++c) row.cells[size_t(c)].width = m_header ? m_header->GetItemWidth(c) : 0;
    row.top = m_rows.empty() ? 0 : m_rows.back().top + m_rows.back().height;
    row.data = item->pItemData;
    row.disabled = item->bDisabled;
    std::array<QSize, 7> sizes;
    for (size_t i = 0; i < m_icons.size(); ++i) sizes[i] = m_icons[i].GetSize();
    row.height = RowHeight(row, sizes, [this](const QString& t) { return TextHeight(t); });
    m_rows.push_back(std::move(row));
    UpdateScrollSizes();
    viewport()->update();
}

void CDeviceSelectView::DeleteItem(int i)
{
    if (i < 0 || i >= int(m_rows.size())) return;
    m_rows.erase(m_rows.begin() + i);
    LayoutRows();
    UpdateScrollSizes();
    viewport()->update();
}

void CDeviceSelectView::DeleteAllItems()
{
    m_rows.clear();
    UpdateScrollSizes();
    viewport()->update();
}

int CDeviceSelectView::GetSelectedIndex() const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].selected) return int(i);
    return -1;
}

void* CDeviceSelectView::GetItemData(int i) const
{
    return i >= 0 && i < int(m_rows.size()) ? m_rows[size_t(i)].data : nullptr;
}

void CDeviceSelectView::ClearSelection()
{
    const int i = GetSelectedIndex();
    if (i >= 0) m_rows[size_t(i)].selected = false;
    viewport()->update();
}

void CDeviceSelectView::SetNote(const QString& note)
{
    m_note = note;
    viewport()->update();
}

void CDeviceSelectView::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= kCellCount) return;
    for (Row& r : m_rows) r.cells[size_t(column)].width = width;
    UpdateScrollSizes();
    viewport()->update();
}

int CDeviceSelectView::HorzPos() const
{
    return horizontalScrollBar()->value();
}
int CDeviceSelectView::VertPos() const
{
    return verticalScrollBar()->value();
}

QRect CDeviceSelectView::RowRect(int i) const
{
    const Row& r = m_rows[size_t(i)];
    return QRect(0, r.top, r.Width(), r.height);
}

void CDeviceSelectView::LayoutRows()
{
    int top = 0;
    for (Row& r : m_rows) {
        r.top = top;
        top += r.height;
    }
}

void CDeviceSelectView::UpdateScrollSizes()
{
    m_scrollWidth = m_rows.empty() ? 0 : m_rows.front().Width();
    m_scrollHeight = 0;
    for (const Row& r : m_rows) m_scrollHeight += r.height;
    const QSize page = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    h->setPageStep(std::max(1, page.width()));
    h->setRange(0, std::max(0, m_scrollWidth - page.width()));
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(std::max(1, page.height()));
    v->setRange(0, std::max(0, m_scrollHeight - page.height()));
}

void CDeviceSelectView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollSizes();
    // Rows added while the list had no size (a hidden page) showed both scroll bars; the scroll area does
    // not take them away by itself when the ranges fall to 0 again, so its children are laid out anew.
    if (isVisible()) {
        setVerticalScrollBarPolicy(verticalScrollBarPolicy());
        setHorizontalScrollBarPolicy(horizontalScrollBarPolicy());
    }
}

void CDeviceSelectView::showEvent(QShowEvent* e)
{
    QAbstractScrollArea::showEvent(e);
    UpdateScrollSizes();
    setVerticalScrollBarPolicy(verticalScrollBarPolicy());
    setHorizontalScrollBarPolicy(horizontalScrollBarPolicy());
}

void CDeviceSelectView::scrollContentsBy(int dx, int)
{
    viewport()->update();
    if (dx != 0 && m_control) SendMessageTo(m_control, UM_DEVICE_LIST_SCROLL);
}

void CDeviceSelectView::EnsureVisible(int i)
{
    if (i < 0 || i >= int(m_rows.size())) return;
    const Row& r = m_rows[size_t(i)];
    QScrollBar* v = verticalScrollBar();
    v->setValue(ScrollPosToShow(v->value(), viewport()->height(), r.top, r.height));
}

void CDeviceSelectView::PaintCell(QPainter& p, const Row& row, const Cell& cell, int left)
{
    const QRect box(left, row.top, cell.width, row.height);
    p.fillRect(box, row.selected ? QColor::fromRgb(kSelectedFill) : QColor(Qt::white));
    p.setPen(row.disabled ? QColor(0x8c, 0x8c, 0x8c) : QColor(Qt::black));
    int textLeft = left + kTextInset;
    if (cell.bitmap >= 0) {
        const CMaskedBitmap& icon = m_icons[size_t(cell.bitmap)];
        const QSize s = icon.GetSize();
        const QRgb key = icon.Image().pixel(0, 0);
        icon.DrawTransparent(&p, left + kIconLeft, row.top + (row.height - s.height()) / 2,
                             COLORREF(qRed(key) | (qGreen(key) << 8) | (qBlue(key) << 16)));
        textLeft += s.width();
    }
    QRect text(textLeft, row.top, left + cell.width - textLeft, row.height);
    if (text.width() <= 0 || cell.text.isEmpty()) return;
    p.save();
    p.setClipRect(QRect(left, row.top, cell.width, row.height));
    const QFontMetrics fm(m_font);
    if (!cell.text.contains(QLatin1Char('\n'))) {
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(cell.text, Qt::ElideRight, text.width()));
    } else {
        const int block = TextHeight(cell.text);
        text.setTop(row.top + (row.height - block) / 2);
        p.drawText(text, Qt::AlignLeft | Qt::AlignTop, cell.text);
    }
    p.restore();
}

void CDeviceSelectView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::white);
    p.setFont(m_font);
    p.setPen(Qt::black);
    p.translate(-HorzPos(), -VertPos());
    const QRect visible(HorzPos(), VertPos(), viewport()->width(), viewport()->height());
    for (const Row& row : m_rows) {
        if (row.top > visible.bottom() || row.top + row.height < visible.top()) continue;
        int x = 0;
        for (const Cell& cell : row.cells) {
            PaintCell(p, row, cell, x);
            x += cell.width;
        }
    }
    if (!m_note.isEmpty()) {
        // What to do when nothing can be chosen, under the rows and inside the visible width.
        const int top = (m_rows.empty() ? 0 : m_rows.back().top + m_rows.back().height) + 12;
        const QRect box(HorzPos() + 12, top, std::max(40, viewport()->width() - 24), 400);
        p.setPen(QColor(0x1f, 0x3f, 0x7f));
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_note);
    }
}

void CDeviceSelectView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint pt = e->position().toPoint() + QPoint(HorzPos(), VertPos());
    const int hit = HitRow(m_rows, pt);
    const int previous = GetSelectedIndex();
    if (hit >= 0 && hit == previous) return;  // the selected row again: nothing changes, nothing is told
    if (hit < 0) return;                      // empty space keeps the selection
    if (m_rows[size_t(hit)].disabled) return; // a device that cannot be read is never chosen
    if (previous >= 0) m_rows[size_t(previous)].selected = false;
    m_rows[size_t(hit)].selected = true;
    EnsureVisible(hit);
    viewport()->update();
    if (m_page) SendMessageTo(m_page, UM_DEVICE_LIST_CLICK);
}

void CDeviceSelectView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && GetSelectedIndex() >= 0 && m_page)
        SendMessageTo(m_page, UM_DEVICE_LIST_DBLCLICK);
}

void CDeviceSelectView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton && GetSelectedIndex() >= 0 && m_page)
        SendMessageTo(m_page, UM_DEVICE_LIST_RIGHTCLICK);
}

void CDeviceSelectView::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down) {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    const int i = GetSelectedIndex();
    int next = key == Qt::Key_Up ? i - 1 : i + 1;
    while (next >= 0 && next < int(m_rows.size()) && m_rows[size_t(next)].disabled) next += key == Qt::Key_Up ? -1 : 1;
    if (i < 0 || next < 0 || next >= int(m_rows.size())) return;
    m_rows[size_t(i)].selected = false;
    m_rows[size_t(next)].selected = true;
    EnsureVisible(next);
    viewport()->update();
}
