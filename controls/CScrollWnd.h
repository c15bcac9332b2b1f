// A child window with both scroll bars for views whose content is larger than the window: it keeps the
// bars' state, turns bar and wheel input into new positions and hands each new position to a derived
// class, which paints the whole client area from them. User-interface thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QRect>
#include <QSize>

// Scroll-bar request codes (for the vertical bar; the horizontal one uses the same numbers).
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;
constexpr int SB_LINELEFT = SB_LINEUP;
constexpr int SB_LINERIGHT = SB_LINEDOWN;
constexpr int SB_PAGELEFT = SB_PAGEUP;
constexpr int SB_PAGERIGHT = SB_PAGEDOWN;
constexpr int SB_LEFT = SB_TOP;
constexpr int SB_RIGHT = SB_BOTTOM;

// One bar's state: range min..max, page, position.
struct SCROLLINFO {
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

class CScrollWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The position a request asks for (before the bar's own limit).
    static int RequestedPos(int code, const SCROLLINFO& si, int pageStep);
    // A position within what the bar can show: min .. max - page + 1.
    static int ClampToBar(int pos, const SCROLLINFO& si);
    // The position after a wheel delta (120 per notch), or the position itself when the page is not
    // less than the maximum.
    static int WheelPos(const SCROLLINFO& si, int delta);

    explicit CScrollWnd(QWidget* parent = nullptr);
    ~CScrollWnd() override;

    virtual bool Create(const QRect& rect, QWidget* pParent);
    virtual void OnVertScrolled(int nPos);
    virtual void OnHorzScrolled(int nPos);
    // Hides a bar whose content length is nonzero and less than the client's, shows it otherwise.
    virtual void UpdateScrollBars();

    void SetVertPage(int nPage);
    void SetHorzPage(int nPage);
    void SetVertRange(int nMax);
    void SetHorzRange(int nMax);
    void SetContentSize(QSize size) { m_contentSize = size; }
    QSize ContentSize() const { return m_contentSize; }
    const SCROLLINFO& VertInfo() const { return m_vert; }
    const SCROLLINFO& HorzInfo() const { return m_horz; }
    QRect ClientRect() const { return m_rcClient; }

    // Bar input as the bars deliver it; trackPos counts for SB_THUMBTRACK.
    void OnVScroll(int code, int trackPos = 0);
    void OnHScroll(int code, int trackPos = 0);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void ApplyToBar(bool vertical);
    void OnBarAction(bool vertical, int action);

    QRect m_rcClient;
    QWidget* m_parent = nullptr; // not owned
    QSize m_contentSize{-1, -1};
    int m_horzPageStep = 10;
    int m_vertPageStep = 10;
    SCROLLINFO m_vert;
    SCROLLINFO m_horz;
    bool m_applying = false;
    bool m_updating = false;
};
