// The scroll window.
#include "controls/CScrollWnd.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

int CScrollWnd::RequestedPos(int code, const SCROLLINFO& si, int pageStep)
{
    switch (code) {
    case SB_LINEUP: return si.nPos > si.nMin ? si.nPos - 1 : si.nPos;
    case SB_LINEDOWN: return si.nPos < si.nMax ? si.nPos + 1 : si.nPos;
    case SB_PAGEUP: return std::max(si.nPos - pageStep, si.nMin);
    case SB_PAGEDOWN: return si.nPos + pageStep < si.nMax ? si.nPos + pageStep : si.nMax;
    case SB_TOP: return si.nMin;
    case SB_BOTTOM: return si.nMax;
    case SB_THUMBTRACK: return si.nTrackPos;
    default: return si.nPos;
    }
}

int CScrollWnd::ClampToBar(int pos, const SCROLLINFO& si)
{
    const int last = std::max(si.nMin, si.nMax - std::max(si.nPage - 1, 0));
    return std::clamp(pos, si.nMin, last);
}

int CScrollWnd::WheelPos(const SCROLLINFO& si, int delta)
{
    if (si.nPage >= si.nMax) return si.nPos;
    int pos = si.nPos - delta;
    pos = std::max(pos, si.nMin);
    pos = std::min(pos, si.nMax);
    pos = std::min(pos, si.nMax - si.nPage);
    return pos;
}

CScrollWnd::CScrollWnd(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnBarAction(true, action); });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnBarAction(false, action); });
}

CScrollWnd::~CScrollWnd() = default;

bool CScrollWnd::Create(const QRect& rect, QWidget* pParent)
{
    m_parent = pParent;
    setParent(pParent);
    setGeometry(rect);
    show();
    m_rcClient = viewport()->rect();
    UpdateScrollBars();
    return true;
}

void CScrollWnd::OnVertScrolled(int) {}
void CScrollWnd::OnHorzScrolled(int) {}

void CScrollWnd::UpdateScrollBars()
{
    if (m_updating) return; // a bar shown or hidden here resizes the client, which comes back here
    m_updating = true;
    const QSize client = viewport()->size();
    const bool hideH = m_contentSize.width() != 0 && m_contentSize.width() < client.width();
    const bool hideV = m_contentSize.height() != 0 && m_contentSize.height() < client.height();
    setHorizontalScrollBarPolicy(hideH ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(hideV ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    m_updating = false;
}

void CScrollWnd::ApplyToBar(bool vertical)
{
    // The bar shows min .. max with a page; Qt's slider range ends where the last page starts.
    const SCROLLINFO& si = vertical ? m_vert : m_horz;
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    m_applying = true;
    bar->setPageStep(std::max(1, si.nPage));
    bar->setRange(si.nMin, std::max(si.nMin, si.nMax - std::max(si.nPage - 1, 0)));
    bar->setValue(si.nPos);
    bar->setEnabled(si.nMax - si.nMin + 1 > si.nPage && si.nMax > si.nMin); // disabled rather than hidden
    m_applying = false;
}

void CScrollWnd::SetVertPage(int nPage)
{
    m_vert.nPage = std::max(0, nPage);
    m_vert.nPos = ClampToBar(m_vert.nPos, m_vert);
    m_vertPageStep = nPage;
    ApplyToBar(true);
}

void CScrollWnd::SetHorzPage(int nPage)
{
    m_horz.nPage = std::max(0, nPage);
    m_horz.nPos = ClampToBar(m_horz.nPos, m_horz);
    m_horzPageStep = nPage;
    ApplyToBar(false);
}

void CScrollWnd::SetVertRange(int nMax)
{
    m_vert.nMin = 0;
    m_vert.nMax = std::max(0, nMax);
    m_vert.nPos = ClampToBar(m_vert.nPos, m_vert);
    ApplyToBar(true);
}

void CScrollWnd::SetHorzRange(int nMax)
{
    m_horz.nMin = 0;
    m_horz.nMax = std::max(0, nMax);
    m_horz.nPos = ClampToBar(m_horz.nPos, m_horz);
    ApplyToBar(false);
}

void CScrollWnd::OnVScroll(int code, int trackPos)
{
    m_vert.nTrackPos = trackPos;
    // The position handed on is the one the bar keeps, so that the view and the bar agree.
    m_vert.nPos = ClampToBar(RequestedPos(code, m_vert, m_vertPageStep), m_vert);
    ApplyToBar(true);
    OnVertScrolled(m_vert.nPos);
}

void CScrollWnd::OnHScroll(int code, int trackPos)
{
    m_horz.nTrackPos = trackPos;
    m_horz.nPos = ClampToBar(RequestedPos(code, m_horz, m_horzPageStep), m_horz);
    ApplyToBar(false);
    OnHorzScrolled(m_horz.nPos);
}

void CScrollWnd::OnBarAction(bool vertical, int action)
{
    if (m_applying) return;
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    default: return;
    }
    const int track = bar->sliderPosition();
    if (vertical)
        OnVScroll(code, track);
    else
        OnHScroll(code, track);
    bar->setSliderPosition((vertical ? m_vert : m_horz).nPos);
}

void CScrollWnd::wheelEvent(QWheelEvent* e)
{
    const int pos = WheelPos(m_vert, e->angleDelta().y());
    if (m_vert.nPage < m_vert.nMax) {
        m_vert.nPos = pos;
        ApplyToBar(true);
        OnVertScrolled(pos);
    }
    e->accept();
}

void CScrollWnd::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    m_rcClient = viewport()->rect();
    UpdateScrollBars();
}
