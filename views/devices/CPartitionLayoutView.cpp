// Painting of the partition layout.
#include "views/devices/CPartitionLayoutView.h"

#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "core/DisplayText.h"
#include "core/LanguageHelpers.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

CPartitionLayoutView::CPartitionLayoutView(QWidget* parent) : QAbstractScrollArea(parent)
{
    const QString face = QString::fromLatin1(GetUIFontName());
    m_font = MakeCellHeightFont(face, 14, 400);
    m_bold = MakeCellHeightFont(face, 14, 700);
    // The found-partition picture of the device list (index 3) marks each block.
    m_icon =
        CMaskedBitmap::MaskedImage(CResourceLibrary::Instance().LoadBitmap(kDefaultDeviceBitmaps.ids[3]), 0xFF00FF);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(10);
}

CPartitionLayoutView::~CPartitionLayoutView() = default;

void CPartitionLayoutView::SetDeviceSectors(uint64_t sectors)
{
    m_lanes.SetDeviceSectors(sectors);
    Relayout();
}

void CPartitionLayoutView::Relayout()
{
    m_lanes.Layout(0, viewport()->width());
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(std::max(1, viewport()->height()));
    v->setRange(0, std::max(0, m_lanes.TotalHeight() - viewport()->height()));
    viewport()->update();
}

void CPartitionLayoutView::AddPartition(const PARTITION_LAYOUT_ITEM* item)
{
    if (!item) return;
    const bool newLane = m_lanes.Add(*item);
    Relayout();
    if (newLane && m_lanesChanged) m_lanesChanged();
}

void CPartitionLayoutView::RemovePartition(const PARTITION_LAYOUT_ITEM* item)
{
    if (!item) return;
    const bool laneGone = m_lanes.Remove(*item);
    Relayout();
    if (laneGone && m_lanesChanged) m_lanesChanged();
}

void CPartitionLayoutView::DeleteAllPartitions()
{
    const bool had = !m_lanes.Lanes().empty();
    m_lanes.Clear();
    Relayout();
    if (had && m_lanesChanged) m_lanesChanged();
}

void CPartitionLayoutView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    Relayout();
}

void CPartitionLayoutView::DrawBlock(QPainter& p, const CPartitionLayoutLanes::Block& b)
{
    const QRect r = b.rect;
    if (r.isEmpty()) return;
    p.fillRect(r, QColor(196, 206, 219));
    p.setPen(QColor(58, 60, 75));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QRect band(r.left() + 4, r.top() + 4, r.width() - 8, 16 - 8);
    if (band.width() <= 0) return;
    p.fillRect(band, QColor(84, 151, 84));
    const QRect body(QPoint(r.left() + 4, band.bottom() + 1 + 4), QPoint(r.right() - 4, r.bottom() - 4));
    if (body.height() <= 0) return;
    p.fillRect(body, QColor(236, 240, 244));
    p.save();
    p.setClipRect(body);
    if (!m_icon.isNull()) p.drawImage(QRect(body.left() + 4, body.top(), 20, 22), m_icon);
    const QRect name(QPoint(body.left() + 4 + 20 + 4, body.top() + 4), QPoint(body.right() - 2, body.top() + 20));
    p.setFont(m_bold);
    p.setPen(Qt::black);
    if (name.width() > 0)
        p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetrics(m_bold).elidedText(QString::fromStdString(b.item.name), Qt::ElideRight, name.width()));
    const QString label =
        QStringLiteral("%1, %2,\n%3: %4%")
            .arg(QString::fromStdString(
                     FormatSectorsAsSize(b.item.u64LastSector - b.item.u64StartSector + 1, b.item.nSectorSize)),
                 QString::fromStdString(FormatFileSystemName(b.item.nFileSystemKind)),
                 CResourceLibrary::Instance().LoadString(247), QString::number(b.item.dScore * 100.0, 'f', 2));
    const QRect text(QPoint(body.left() + 4, body.top() + 22), QPoint(body.right() - 2, body.bottom() - 2));
    p.setFont(m_font);
    if (text.width() > 0 && text.height() > 0) p.drawText(text, Qt::AlignLeft | Qt::AlignTop, label);
    p.restore();
}

void CPartitionLayoutView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), QColor::fromRgb(kBackColor));
    p.translate(0, -verticalScrollBar()->value());
    for (const auto& lane : m_lanes.Lanes())
        for (const auto& b : lane.blocks) DrawBlock(p, b);
}
