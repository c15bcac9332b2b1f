// The bitmap push button.
#include "controls/CButtonPlus.h"

#include "controls/ControlId.h"
#include "controls/IButtonPromptChange.h"
#include "controls/MessageBox.h"
#include "platform/Log.h"

#include <QMouseEvent>
#include <QPainter>
#include <cerrno>
#include <cstdint>
#include <new>

namespace {

constexpr int kHoverTimeMs = 1;

unsigned long long PointerValue(const void* p)
{
    return static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace

CButtonPlus::Face CButtonPlus::ChooseFace(bool selected, bool disabled, bool hover, bool hasPush, bool hasDisable,
                                          bool hasHover)
{
    if (selected && hasPush) return Face::Push;
    if (disabled && hasDisable) return Face::Disable;
    if (hover && hasHover) return Face::Hover;
    return Face::Normal;
}

CButtonPlus::CButtonPlus(QWidget* parent) : QAbstractButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground); // the bitmap covers the whole face
    m_initError = AllocateStateBitmaps();
    if (m_initError != 0) ReportInitFailure("Init CButtonPlus is false error=0x%x,GetLastError=%d");
}

CButtonPlus::CButtonPlus(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable, QWidget* parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    LogError("------------------------ParmInfo:UINT uNormal=%d, UINT uHover=%d, UINT uPush=%d, UINT uDisable=%d",
             int(uNormal), int(uHover), int(uPush), int(uDisable));
    m_initError = AllocateStateBitmaps();
    if (m_initError != 0) {
        ReportInitFailure("Init CButtonPlus 002 is false error=0x%x,GetLastError=%d");
        return;
    }
    OwerLoadBitmap(uNormal, uHover, uPush, uDisable);
}

CButtonPlus::~CButtonPlus()
{
    ReleaseResources();
    FreeCursor();
}

void CButtonPlus::ReportInitFailure(const char* format)
{
    ShowMessageBox(this, QString::asprintf(format, unsigned(m_initError), errno ? errno : ENOMEM), MB_OK);
}

int CButtonPlus::AllocateStateBitmaps()
{
    for (auto* slot : {&m_normal, &m_hoverBitmap, &m_push, &m_disable})
        if (!*slot) slot->reset(new (std::nothrow) CMaskedBitmap);
    const bool all = m_normal && m_hoverBitmap && m_push && m_disable;
    return all ? 0 : kInitFailed;
}

void CButtonPlus::OwerLoadBitmap(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable)
{
    LogError("------------------------ParmInfo:UINT uNormal=%d, UINT uHover=%d, UINT uPush=%d, UINT uDisable=%d",
             int(uNormal), int(uHover), int(uPush), int(uDisable));
    m_initError = AllocateStateBitmaps();
    if (m_initError != 0) {
        ReportInitFailure("Init OwerLoadBitmap is false error=0x%x,GetLastError=%d");
        return;
    }
    const std::pair<CMaskedBitmap*, unsigned> loads[] = {
        {m_normal.get(), uNormal}, {m_hoverBitmap.get(), uHover}, {m_push.get(), uPush}, {m_disable.get(), uDisable}};
    for (const auto& [bitmap, id] : loads) {
        if (id == 0)
            bitmap->DeleteObject();
        else
            bitmap->LoadBitmap(id);
    }
    updateGeometry();
    update();
}

void CButtonPlus::SetPromptChange(IButtonPromptChange* pPromptReceiver, const QString& strPromptText)
{
    if (pPromptReceiver)
        LogError("------------------------ParmInfo:IButtonPromptChange* pPromptReceiver=%llx, "
                 "const CString& strPromptText=%s",
                 PointerValue(pPromptReceiver), strPromptText.toUtf8().constData());
    m_promptReceiver = pPromptReceiver;
    m_promptText = strPromptText;
}

void CButtonPlus::SetCursor(const QCursor& cursor)
{
    FreeCursor();
    m_cursor = cursor;
    setCursor(cursor);
}

void CButtonPlus::FreeCursor()
{
    if (m_cursor) {
        m_cursor.reset();
        unsetCursor();
    }
}

QSize CButtonPlus::GetBitmapSize() const
{
    return m_normal && m_normal->HasImage() ? m_normal->GetSize() : QSize(0, 0);
}

void CButtonPlus::MoveTo(int x, int y)
{
    if (!IsWindow()) return;
    LogError("------------------------ParmInfo:int x=%d, int y=%d", x, y);
    setGeometry(QRect(QPoint(x, y), GetBitmapSize()));
    update();
}

void CButtonPlus::ReleaseResources()
{
    m_normal.reset();
    m_hoverBitmap.reset();
    m_push.reset();
    m_disable.reset();
    m_promptText.clear();
}

bool CButtonPlus::Create(const QString& caption, unsigned style, const RECT& rect, QWidget* parent, unsigned nID)
{
    static const char kClassName[] = "Button";
    const QByteArray name = caption.toUtf8();
    LogError("------------------------ParmInfo:CREATESTRUCT cs.cx=%d, cs.cy=%d, cs.dwExStyle=%x, cs.hInstance=%llx,"
             "\t\t\t\tcs.hMenu=%llx, cs.hwndParent=%llx, cs.lpCreateParams=%llx,cs.lpszClass=%llx, cs.lpszName=%llx, "
             "cs.style=%x,\t\t\t\tcs.x=%d, cs.y=%d",
             rect.Width(), rect.Height(), 0u, 0ull, static_cast<unsigned long long>(nID), PointerValue(parent), 0ull,
             PointerValue(kClassName), PointerValue(name.constData()), style, rect.left, rect.top);
    setParent(parent);
    setText(caption);
    m_ctrlId = nID;
    SetDlgCtrlID(this, int(nID));
    setGeometry(QRect(QPoint(rect.left, rect.top), GetBitmapSize()));
    setEnabled(!(style & WS_DISABLED));
    m_created = true;
    if (style & WS_VISIBLE) show();
    return true;
}

void CButtonPlus::AttachToDialog(QWidget* parent, unsigned nID, const QRect& rect)
{
    setParent(parent);
    m_ctrlId = nID;
    SetDlgCtrlID(this, int(nID));
    setGeometry(rect);
    m_created = true;
    show();
}

const CMaskedBitmap* CButtonPlus::StateBitmap(Face face) const
{
    switch (face) {
    case Face::Hover: return m_hoverBitmap.get();
    case Face::Push: return m_push.get();
    case Face::Disable: return m_disable.get();
    case Face::Normal: break;
    }
    return m_normal.get();
}

CButtonPlus::Face CButtonPlus::CurrentFace() const
{
    auto has = [](const std::unique_ptr<CMaskedBitmap>& b) { return b && b->HasImage(); };
    return ChooseFace(isDown(), !isEnabled(), m_hover, has(m_push), has(m_disable), has(m_hoverBitmap));
}

QSize CButtonPlus::sizeHint() const
{
    return GetBitmapSize();
}

void CButtonPlus::paintEvent(QPaintEvent*)
{
    const CMaskedBitmap* bitmap = StateBitmap(CurrentFace());
    if (!bitmap || !bitmap->HasImage()) return;
    QPainter p(this);
    if (width() > bitmap->GetSize().width())
        // A button made wider than its face (a bar running to the window's edge) continues the face's last
        // column instead of leaving the rest unpainted.
        bitmap->DrawBand(&p, 0, 0, width(), bitmap->GetSize().height());
    else
        bitmap->Draw(&p, 0, 0);
}

void CButtonPlus::StartTracking()
{
    if (!m_tracking) {
        m_tracking = true;
        m_hoverSent = false;
    }
    if (!m_hoverSent) m_hoverTimer.start(kHoverTimeMs, this); // the mouse has to rest for the hover time
}

void CButtonPlus::mouseMoveEvent(QMouseEvent* e)
{
    StartTracking();
    QAbstractButton::mouseMoveEvent(e);
}

void CButtonPlus::enterEvent(QEnterEvent* e)
{
    StartTracking();
    QAbstractButton::enterEvent(e);
}

void CButtonPlus::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_hoverTimer.timerId()) {
        m_hoverTimer.stop();
        if (m_tracking && !m_hoverSent) OnMouseHover();
        return;
    }
    QAbstractButton::timerEvent(e);
}

void CButtonPlus::OnMouseHover()
{
    m_hoverSent = true;
    if (m_promptReceiver) {
        const QString prompt = m_promptText;
        m_promptReceiver->OnPromptChange(m_ctrlId, prompt);
    }
    m_hover = true;
    update();
}

void CButtonPlus::leaveEvent(QEvent* e)
{
    OnMouseLeave();
    QAbstractButton::leaveEvent(e);
}

void CButtonPlus::OnMouseLeave()
{
    m_hoverTimer.stop();
    if (m_promptReceiver) m_promptReceiver->OnPromptRestore(m_ctrlId);
    m_tracking = false;
    m_hoverSent = false;
    m_hover = false;
    update();
}

void CButtonPlus::mouseReleaseEvent(QMouseEvent* e)
{
    update();
    QAbstractButton::mouseReleaseEvent(e);
}

void CButtonPlus::focusOutEvent(QFocusEvent* e)
{
    m_hover = false; // the hover look goes with the focus, even while the mouse stays
    update();
    QAbstractButton::focusOutEvent(e);
}
