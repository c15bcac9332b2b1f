// The scroll bar that passes its input to its parent.
#include "controls/CVscrollwnd.h"

#include "controls/CScrollWnd.h"

#include <QCoreApplication>

CVScrollEvent::CVScrollEvent(int code, int thumbPos, QObject* source)
    : QEvent(EventType()), m_code(code), m_thumb(thumbPos), m_source(source)
{
}

QEvent::Type CVScrollEvent::EventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

CVscrollwnd::CVscrollwnd(QWidget* parent) : QScrollBar(Qt::Vertical, parent)
{
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        int code = -1;
        switch (action) {
        case SliderSingleStepSub: code = SB_LINEUP; break;
        case SliderSingleStepAdd: code = SB_LINEDOWN; break;
        case SliderPageStepSub: code = SB_PAGEUP; break;
        case SliderPageStepAdd: code = SB_PAGEDOWN; break;
        case SliderToMinimum: code = SB_TOP; break;
        case SliderToMaximum: code = SB_BOTTOM; break;
        case SliderMove: code = SB_THUMBTRACK; break;
        default: return;
        }
        OnVScroll(code, sliderPosition());
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { OnVScroll(SB_ENDSCROLL, sliderPosition()); });
}

CVscrollwnd::~CVscrollwnd() = default;

bool CVscrollwnd::OnVScroll(int code, int thumbPos)
{
    QWidget* parent = parentWidget();
    if (!parent) return false;
    m_lastThumb = thumbPos; // whole, not cut to a 16-bit word, so long views scroll to their end
    QCoreApplication::postEvent(parent, new CVScrollEvent(code, m_lastThumb, this));
    return true;
}
