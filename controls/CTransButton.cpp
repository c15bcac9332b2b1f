// The check button on a solid colour.
#include "controls/CTransButton.h"

#include "controls/ControlId.h"
#include "controls/DialogUnits.h"
#include "controls/WindowMessages.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace {
constexpr int kFrameWidth = 15;
constexpr int kTextOffset = kFrameWidth + 4;
constexpr int kFocusOffset = 18;
} // namespace

CTransButton::FrameKind CTransButton::FrameKindOf(unsigned style)
{
    const unsigned low = style & 0xFFFF;
    if (low & 0x2) return FrameKind::CheckBox;
    if (low & 0x9) return FrameKind::Radio;
    return FrameKind::CheckBox;
}

CTransButton::Layout CTransButton::LayoutFor(const QRect& client)
{
    Layout l;
    l.focus = client.adjusted(kFocusOffset, 0, 0, -1);
    l.frame = QRect(client.left(), client.top(), kFrameWidth, client.height());
    const int side = std::min(kFrameWidth, client.height());
    l.box = QRect(client.left() + (kFrameWidth - side) / 2, client.top() + (client.height() - side) / 2, side, side);
    l.text = client.adjusted(kTextOffset, 0, 0, 0);
    return l;
}

CTransButton::CTransButton(QWidget* parent) : QAbstractButton(parent)
{
    SetButtonStyle(BS_AUTOCHECKBOX);
    connect(this, &QAbstractButton::clicked, this, &CTransButton::OnClicked);
}

bool CTransButton::Create(const QString& caption, unsigned style, const QRect& rect, QWidget* parent, unsigned nID)
{
    setParent(parent);
    setText(caption);
    SetButtonStyle(style);
    SetDlgCtrlID(this, int(nID));
    setGeometry(rect);
    setEnabled(!(style & WS_DISABLED));
    if (style & WS_VISIBLE) show();
    return true;
}

void CTransButton::SetButtonStyle(unsigned style)
{
    m_style = style;
    setCheckable(true);
    const unsigned kind = style & 0xF;
    setAutoExclusive(kind == BS_AUTORADIOBUTTON);
}

void CTransButton::nextCheckState()
{
    // Only the automatic kinds change their own check on a click.
    switch (m_style & 0xF) {
    case BS_AUTOCHECKBOX: setChecked(!isChecked()); break;
    case BS_AUTORADIOBUTTON: setChecked(true); break;
    default: break;
    }
}

void CTransButton::SetTextFont(int nPointSize, const QString& lpszFaceName, bool bBold)
{
    QFont f(lpszFaceName);
    f.setPixelSize(std::max(1, MulDiv(nPointSize, 96, 720))); // tenths of a point on a 96-dpi screen
    f.setWeight(bBold ? QFont::Bold : QFont::Normal);
    m_textFont = f;
    update();
}

void CTransButton::OnClicked()
{
    PostMessageTo(parentWidget(), UM_CHECK_CLICKED, WPARAM(GetCheck()), LPARAM(reinterpret_cast<std::intptr_t>(this)));
}

void CTransButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    const Layout l = LayoutFor(r);
    p.fillRect(r, ToQColor(m_bk));

    if (hasFocus() && m_showFocus) {
        // A dotted frame drawn whatever the style thinks of focus cues.
        p.save();
        QPen dots(palette().color(QPalette::WindowText), 1, Qt::CustomDashLine);
        dots.setDashPattern({1, 1});
        p.setPen(dots);
        p.setBrush(Qt::NoBrush);
        p.drawRect(l.focus.adjusted(0, 0, -1, -1));
        p.restore();
    }

    QStyleOptionButton box;
    box.initFrom(this);
    box.rect = l.box;
    box.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_HasFocus | QStyle::State_MouseOver);
    box.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    if (isDown()) box.state |= QStyle::State_Sunken;
    style()->drawPrimitive(FrameKindOf(m_style) == FrameKind::Radio ? QStyle::PE_IndicatorRadioButton
                                                                    : QStyle::PE_IndicatorCheckBox,
                           &box, &p, this);

    const QFont font = m_textFont ? *m_textFont : this->font();
    p.setFont(font);
    p.setPen(palette().color(QPalette::WindowText));
    const QString shown = QFontMetrics(font).elidedText(text(), Qt::ElideRight, std::max(0, l.text.width()));
    p.drawText(l.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void CTransButton::mousePressEvent(QMouseEvent* e)
{
    update();
    QAbstractButton::mousePressEvent(e);
}

void CTransButton::mouseReleaseEvent(QMouseEvent* e)
{
    update();
    QAbstractButton::mouseReleaseEvent(e);
}

void CTransButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    update();
    QAbstractButton::mouseDoubleClickEvent(e);
}
