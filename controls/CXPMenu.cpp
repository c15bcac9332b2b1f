// The owner-drawn popup menu.
#include "controls/CXPMenu.h"

#include "controls/CMaskedBitmap.h"

#include <QPainter>
#include <QPaintEvent>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

constexpr const char* kNoTextProperty = "salvixNoItemText";

const QString* ItemText(const QAction* a, QString& storage)
{
    if (!a || a->property(kNoTextProperty).toBool()) return nullptr;
    storage = a->text();
    return &storage;
}

// Gives the menu's items the size MeasureItem asks for and no extra margins.
class CXPMenuStyle : public QProxyStyle {
public:
    explicit CXPMenuStyle(CXPMenu* menu) : m_menu(menu) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        if (type == CT_MenuItem && widget == m_menu) {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            const QString text = item ? item->text : QString();
            return m_menu->MeasureItem(&text);
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (widget == m_menu && (metric == PM_MenuHMargin || metric == PM_MenuVMargin || metric == PM_MenuPanelWidth))
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    CXPMenu* m_menu;
};

} // namespace

CXPMenu::CXPMenu(QWidget* parent) : QMenu(parent)
{
    auto* s = new CXPMenuStyle(this);
    s->setParent(this);
    setStyle(s);
}

CXPMenu::~CXPMenu() = default;

QAction* CXPMenu::AppendItem(unsigned nID, const std::optional<QString>& text, bool checked)
{
    QAction* a = addAction(text.value_or(QString()));
    a->setData(nID);
    a->setProperty(kNoTextProperty, !text.has_value());
    a->setCheckable(checked);
    a->setChecked(checked);
    return a;
}

unsigned CXPMenu::CommandId(const QAction* action)
{
    return action ? action->data().toUInt() : 0;
}

unsigned CXPMenu::TrackPopupMenu(const QPoint& globalPos)
{
    return CommandId(exec(globalPos));
}

QSize CXPMenu::MeasureItem(const QString* text) const
{
    const int textWidth = text ? QFontMetrics(font()).horizontalAdvance(*text) : 0;
    return QSize(kMenuSize + textWidth + kMenuCheck, kMenuSize);
}

QRect CXPMenu::CheckMarkRect(const QRect& R, QSize bitmapSize, QSize checkSize)
{
    const int w = std::min(bitmapSize.width(), checkSize.width());
    const int h = std::min(bitmapSize.height(), checkSize.height());
    return QRect(R.left() + (checkSize.width() - w) / 2, R.top() + (R.height() - h) / 2, w, h);
}

void CXPMenu::DrawItem(QPainter* painter, const QRect& R, bool selected, bool checked, const QString* text) const
{
    if (!painter || !text) return;
    painter->save();
    if (selected) {
        painter->setPen(Qt::black);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(R.adjusted(0, 0, -1, -1)); // the 1-pixel frame on R's edges
        painter->fillRect(R.adjusted(1, 1, -1, -1), ToQColor(kSelectionColour));
    } else {
        painter->fillRect(R, ToQColor(m_bk));
    }
    if (checked) {
        CMaskedBitmap mark;
        if (mark.LoadBitmap(kCheckBitmap)) {
            const QRect where = CheckMarkRect(R, mark.GetSize(), QSize(kMenuCheck, kMenuCheck));
            const QImage masked = CMaskedBitmap::MaskedImage(mark.Image(), kSelectionColour);
            painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter->drawImage(where, masked, masked.rect());
        }
    }
    // An item that cannot be chosen reads grey.
    painter->setPen(m_drawingDisabled ? QColor(0x9a, 0xa0, 0xa6) : QColor(Qt::black));
    painter->setFont(font());
    painter->drawText(R.adjusted(kMenuCheck, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, *text);
    painter->restore();
}

void CXPMenu::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), palette().window());
    for (QAction* a : actions()) {
        const QRect r = actionGeometry(a);
        if (!r.intersects(e->rect())) continue;
        QString storage;
        m_drawingDisabled = !a->isEnabled();
        DrawItem(&p, r, a == activeAction() && a->isEnabled(), a->isChecked(), ItemText(a, storage));
        m_drawingDisabled = false;
    }
    // A thin frame keeps the white menu apart from a white window under it.
    p.setPen(QColor(0xa0, 0xa8, 0xb0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
