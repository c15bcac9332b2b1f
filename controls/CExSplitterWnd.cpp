// The splitter with one fixed pane.
#include "controls/CExSplitterWnd.h"

#include "platform/Log.h"

#include <QMouseEvent>
#include <algorithm>
#include <QPainter>
#include <QSplitterHandle>

namespace {

// A bar painted flat in the splitter's colour; releasing it bounds the fixed pane.
class FlatHandle : public QSplitterHandle {
public:
    FlatHandle(Qt::Orientation o, CExSplitterWnd* parent) : QSplitterHandle(o, parent), m_owner(parent) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), ToQColor(m_owner->BarColor()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QSplitterHandle::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton) m_owner->OnDragEnd();
    }

private:
    CExSplitterWnd* m_owner;
};

} // namespace

std::optional<int> CExSplitterWnd::FirstPaneAfterDrag(int mode, int fixedIndex, int s, int first, int client,
                                                      int overhead, int minSize, int maxSize)
{
    if (mode == ModeNone) return std::nullopt;
    std::optional<int> target;
    if (s < minSize)
        target = minSize;
    else if (s > maxSize)
        target = maxSize;
    if (fixedIndex == 0) return target;
    if (target) return client - *target - overhead;
    if (mode == ModeRows && first < kMinFirstRow) return kMinFirstRow;
    return std::nullopt;
}

int CExSplitterWnd::FirstPaneForFixedSecond(int client, int fixedSize, int overhead)
{
    return std::max(0, client - fixedSize - overhead);
}

CExSplitterWnd::CExSplitterWnd(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent)
{
    setHandleWidth(kBarWidth);
    setChildrenCollapsible(false);
    setOpaqueResize(true);
}

CExSplitterWnd::~CExSplitterWnd() = default;

void CExSplitterWnd::SetFixedColumn(int iCol, int nWidth, int iMin, int iMax)
{
    LogError("------------------------ParmInfo:int iCol, int nWidth, int iMin, int iMax");
    setOrientation(Qt::Horizontal);
    m_mode = ModeColumns;
    m_fixedIndex = iCol == 0 ? 0 : 1;
    m_fixedSize = nWidth;
    m_min = iMin;
    m_max = iMax;
    for (int i = 0; i < count(); ++i) setStretchFactor(i, i == m_fixedIndex ? 0 : 1);
}

void CExSplitterWnd::SetFixedRow(int iRow, int iHeight, int iMin, int iMax)
{
    LogError("------------------------ParmInfo:int iRow=%x, int iHeight=%x, int iMin=%x, int iMax=%x", unsigned(iRow),
             unsigned(iHeight), unsigned(iMin), unsigned(iMax));
    setOrientation(Qt::Vertical);
    m_mode = ModeRows;
    m_fixedIndex = iRow == 0 ? 0 : 1;
    m_fixedSize = iHeight;
    m_min = iMin;
    m_max = iMax;
    for (int i = 0; i < count(); ++i) setStretchFactor(i, i == m_fixedIndex ? 0 : 1);
}

QSplitterHandle* CExSplitterWnd::createHandle()
{
    return new FlatHandle(orientation(), this);
}

int CExSplitterWnd::ClientLength() const
{
    return orientation() == Qt::Horizontal ? width() : height();
}

int CExSplitterWnd::PaneSize(int i) const
{
    const QList<int> s = sizes();
    return i >= 0 && i < s.size() ? s[i] : 0;
}

void CExSplitterWnd::SetFirstPane(int first)
{
    if (count() < 2) return;
    const int client = ClientLength();
    first = std::max(0, first);
    setSizes({first, std::max(0, client - first - m_overhead)});
}

void CExSplitterWnd::InitialLayout()
{
    if (count() < 2) return;
    // Before the panes have a size (a splitter laid out while still empty or hidden) only the bar is known.
    const int panes = PaneSize(0) + PaneSize(1);
    m_overhead = panes > 0 ? std::max(1, ClientLength() - panes) : std::max(1, handleWidth());
    if (m_fixedIndex == 0)
        SetFirstPane(m_fixedSize);
    else
        SetFirstPane(ClientLength() - m_fixedSize - m_overhead);
}

void CExSplitterWnd::resizeEvent(QResizeEvent* e)
{
    LogError("------------------------ParmInfo:UINT nType, int cx, int cy");
    QSplitter::resizeEvent(e);
    if (m_mode == ModeNone || count() < 2) return;
    if (m_overhead == 0) {
        InitialLayout();
        return;
    }
    // The fixed pane keeps the size it was given or dragged to: a splitter first laid out narrower than that
    // (inside a tab strip that is not placed yet) squeezes it only for as long as it is that narrow.
    if (m_fixedIndex == 1)
        SetFirstPane(FirstPaneForFixedSecond(ClientLength(), m_fixedSize, m_overhead));
    else
        SetFirstPane(m_fixedSize);
}

void CExSplitterWnd::OnDragEnd()
{
    if (m_mode == ModeNone || count() < 2) return;
    const auto first = FirstPaneAfterDrag(m_mode, m_fixedIndex, PaneSize(m_fixedIndex), PaneSize(0), ClientLength(),
                                          m_overhead, m_min, m_max);
    if (first) SetFirstPane(*first);
    // The size the user chose is the one later resizes keep.
    m_fixedSize = PaneSize(m_fixedIndex);
}

void CExSplitterWnd::SetFixedPaneSize(int size)
{
    if (m_mode == ModeNone) return;
    m_fixedSize = std::clamp(size, m_min, std::max(m_min, m_max));
    if (count() < 2 || m_overhead == 0) return; // the first resize lays the panes out
    if (m_fixedIndex == 1)
        SetFirstPane(FirstPaneForFixedSecond(ClientLength(), m_fixedSize, m_overhead));
    else
        SetFirstPane(m_fixedSize);
}
