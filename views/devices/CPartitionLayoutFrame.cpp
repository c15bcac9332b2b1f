// The layout panel of the found-partition list.
#include "views/devices/CPartitionLayoutFrame.h"

#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "core/DisplayText.h"
#include "core/LanguageHelpers.h"
#include "views/devices/CPartitionLayoutView.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Source kind -> the device list's picture: disk, open disk, disk image, partition.
unsigned StripBitmapOf(int kind)
{
    switch (kind) {
    case 0: return kDefaultDeviceBitmaps.ids[1];
    case 1: return kDefaultDeviceBitmaps.ids[6];
    case 2: return kDefaultDeviceBitmaps.ids[4];
    case 3: return kDefaultDeviceBitmaps.ids[2];
    default: return 0;
    }
}

} // namespace

CPartitionLayoutFrame::CPartitionLayoutFrame(QWidget* parent)
    : QWidget(parent),
      m_font(MakeCellHeightFont(QString::fromLatin1(GetUIFontName()), 14, 400)),
      m_view(new CPartitionLayoutView(this))
{
    SetDlgCtrlID(m_view, kViewId);
    m_view->SetLanesChanged([this] { RecalcLayout(); });
    m_stripBitmap = CResourceLibrary::Instance().LoadBitmap(StripBitmapOf(0));
}

CPartitionLayoutFrame::~CPartitionLayoutFrame() = default;

void CPartitionLayoutFrame::SetDiskInfo(const PARTITION_LAYOUT_SOURCE* source)
{
    if (!source) return;
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    const unsigned captionId = source->nKind == 2 ? 338 : source->nKind == 3 ? 337 : 336;
    // One blank between the words and the quoted name, whether or not the language's text ends with one.
    QString words = lib.LoadString(captionId);
    while (!words.isEmpty() && words.back().isSpace()) words.chop(1);
    // Names of fixed-width records come padded with blanks; the quotes hold the name alone.
    m_caption =
        words + QStringLiteral(" \"%1\":").arg(QString::fromUtf8(source->pszName ? source->pszName : "").trimmed());
    m_stripText = lib.LoadString(331) + QStringLiteral(": %1").arg(QString::fromStdString(
                                            FormatSectorsAsSize(source->u64SectorCount, source->nSectorSize)));
    m_view->SetDeviceSectors(source->u64SectorCount);
    if (const unsigned id = StripBitmapOf(source->nKind)) m_stripBitmap = lib.LoadBitmap(id);
    update();
}

void CPartitionLayoutFrame::RecalcLayout()
{
    const int content = m_view->Lanes().TotalHeight() > 0 ? m_view->Lanes().TotalHeight() : 80;
    m_stripHeight = content;
    const int h = std::min(height(), content + 20);
    m_view->setGeometry(QRect(QPoint(119, 19), QPoint(width() - 2, h - 2)));
    update();
}

void CPartitionLayoutFrame::resizeEvent(QResizeEvent*)
{
    RecalcLayout();
}

void CPartitionLayoutFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(239, 239, 247));
    p.setFont(m_font);
    p.setPen(Qt::black);
    const QRect caption(4, 0, width() - 8, 20);
    p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QFontMetrics(m_font).elidedText(m_caption, Qt::ElideRight, caption.width()));
    const QRect strip(0, 19, kStripWidth, m_stripHeight);
    p.fillRect(strip, QColor(198, 208, 221));
    if (!m_stripBitmap.isNull()) {
        const QRgb key = m_stripBitmap.pixel(1, 1);
        p.drawImage(QRect(26, 29, 48, 48),
                    CMaskedBitmap::MaskedImage(m_stripBitmap, qRed(key) | (qGreen(key) << 8) | (qBlue(key) << 16)));
    }
    p.drawText(QRect(0, 79, kStripWidth, 16), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
               QFontMetrics(m_font).elidedText(m_stripText, Qt::ElideRight, kStripWidth));
    // A frame around the view, the whole width and one pixel beyond it above and below.
    const QRect v = m_view->geometry();
    p.setPen(QColor(63, 64, 78));
    p.drawRect(QRect(0, v.top() - 1, width() - 1, v.height() + 1));
}
