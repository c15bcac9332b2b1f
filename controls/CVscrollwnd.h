// A vertical scroll bar that hands its input on to its parent window: every request is posted to the
// parent as a CVScrollEvent (the request code and the thumb position), as a scroll message would be.
// The preview dialogs use it as the bar of their hex and text views. User-interface thread only.
#pragma once

#include <QEvent>
#include <QScrollBar>

// WM_VSCROLL as an event: wParam's low word the request code, high word the thumb position.
class CVScrollEvent : public QEvent {
public:
    CVScrollEvent(int code, int thumbPos, QObject* source);
    static QEvent::Type EventType();
    int Code() const { return m_code; }
    int ThumbPos() const { return m_thumb; }
    QObject* Source() const { return m_source; }

private:
    int m_code;
    int m_thumb;
    QObject* m_source;
};

class CVscrollwnd : public QScrollBar {
    Q_OBJECT
public:
    explicit CVscrollwnd(QWidget* parent = nullptr);
    ~CVscrollwnd() override;

    // A scroll request: with a parent, stores the thumb position and posts the request to it; without
    // one, nothing is stored or posted. Returns whether it was posted.
    bool OnVScroll(int code, int thumbPos);
    int LastThumbPos() const { return m_lastThumb; }

private:
    int m_lastThumb = 0;
};
