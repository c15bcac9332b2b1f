// The extended list's header.
#include "controls/CExtendHeaderCtrl.h"

#include "controls/ControlFont.h"

#include <QPainter>
#include <algorithm>
#include <QPaintEvent>
#include <QStandardItemModel>

namespace {
constexpr QRgb kDividerColour = 0xFFD9D2C9; // the skin's frame colour
}

CExtendHeaderCtrl::CExtendHeaderCtrl(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_model(new QStandardItemModel(this)), m_font(CreateControlFont())
{
    setModel(m_model);
    setFont(m_font);
    setSectionsClickable(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(false);
    setMinimumSectionSize(0);
    setFixedHeight(sizeHint().height());
}

CExtendHeaderCtrl::~CExtendHeaderCtrl() = default;

void CExtendHeaderCtrl::AppendItem(const QString& text, int width, int format)
{
    const int n = m_model->columnCount();
    m_model->insertColumn(n);
    m_model->setHeaderData(n, Qt::Horizontal, text);
    m_formats.push_back(format);
    resizeSection(n, std::max(0, width));
}

int CExtendHeaderCtrl::GetItemCount() const
{
    return m_model->columnCount();
}

int CExtendHeaderCtrl::GetItemWidth(int nItem) const
{
    return nItem >= 0 && nItem < GetItemCount() ? sectionSize(nItem) : 0;
}

void CExtendHeaderCtrl::SetItemWidth(int nItem, int width)
{
    if (nItem >= 0 && nItem < GetItemCount()) resizeSection(nItem, std::max(0, width));
}

int CExtendHeaderCtrl::GetHeight() const
{
    return height();
}

int CExtendHeaderCtrl::GetTotalWidth() const
{
    int total = 0;
    for (int i = 0; i < GetItemCount(); ++i) total += sectionSize(i);
    return total;
}

QString CExtendHeaderCtrl::GetItemText(int nItem) const
{
    return m_model->headerData(nItem, Qt::Horizontal).toString();
}

QSize CExtendHeaderCtrl::sizeHint() const
{
    // The text's cell, 3 pixels of margin above and below as the platform header keeps, and our 3 more.
    const int h = QFontMetrics(m_font).height() + 6 + kExtraHeight;
    return QSize(GetTotalWidth(), std::max(h, kDefaultHeight));
}

void CExtendHeaderCtrl::paintEvent(QPaintEvent* e)
{
    QHeaderView::paintEvent(e);
    // Right of the last column the style would paint its own empty header (in the list's colours): the
    // header's background and bottom line go on to the end instead.
    int end = 0;
    for (int i = 0; i < count(); ++i)
        if (!isSectionHidden(i)) end = std::max(end, sectionViewportPosition(i) + sectionSize(i));
    const QRect rest(end, 0, viewport()->width() - end, viewport()->height());
    if (rest.width() <= 0) return;
    QPainter p(viewport());
    p.fillRect(rest, ToQColor(m_crBack));
    p.setPen(QColor::fromRgb(kDividerColour));
    p.drawLine(rest.left(), rest.bottom(), rest.right(), rest.bottom());
}

void CExtendHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid()) return;
    painter->save();
    painter->fillRect(rect, ToQColor(m_crBack));
    painter->setPen(QColor::fromRgb(kDividerColour));
    painter->drawLine(rect.right(), rect.top() + 3, rect.right(), rect.bottom() - 3);
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter->setFont(m_font);
    painter->setPen(ToQColor(m_crText));
    const int format = size_t(logicalIndex) < m_formats.size() ? m_formats[size_t(logicalIndex)] : 0;
    const Qt::Alignment align = format == 1 ? Qt::AlignRight : format == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    const QRect textRect = rect.adjusted(6, 0, -6, 0);
    const QString text = painter->fontMetrics().elidedText(GetItemText(logicalIndex), Qt::ElideRight, textRect.width());
    painter->drawText(textRect, int(align | Qt::AlignVCenter) | Qt::TextSingleLine, text);
    painter->restore();
}
