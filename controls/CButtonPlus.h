// The push button of every window: its whole face, caption included, is one of four skin bitmaps chosen
// by state (normal, hover, pushed, disabled). It tracks the mouse itself, tells an owner when the mouse
// rests on it and leaves, can show its own cursor, and sizes itself to its bitmap.
// User-interface thread only.
#pragma once

#include "controls/CMaskedBitmap.h"
#include "controls/Win32Types.h"

#include <QAbstractButton>
#include <QBasicTimer>
#include <QCursor>
#include <memory>
#include <optional>

class IButtonPromptChange;

class CButtonPlus : public QAbstractButton {
    Q_OBJECT
public:
    enum class Face { Normal, Hover, Push, Disable };
    static constexpr int kInitFailed = 1025;

    // The face drawn for a state, first match wins: pushed, disabled, hovered (each only when its bitmap
    // holds an image), else normal.
    static Face ChooseFace(bool selected, bool disabled, bool hover, bool hasPush, bool hasDisable, bool hasHover);

    explicit CButtonPlus(QWidget* parent = nullptr);
    CButtonPlus(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable, QWidget* parent = nullptr);
    ~CButtonPlus() override;

    // Creates each missing state bitmap; 0 when all exist afterwards, else kInitFailed.
    int AllocateStateBitmaps();
    // Loads the four state bitmaps by resource id; an id of 0 leaves that state without image. A second
    // load replaces the images.
    void OwerLoadBitmap(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable);
    int GetInitError() const { return m_initError; }

    // Mouse-rest notifications go to pPromptReceiver (null switches them off) with this text.
    void SetPromptChange(IButtonPromptChange* pPromptReceiver, const QString& strPromptText);
    void SetCursor(const QCursor& cursor);
    void FreeCursor();

    // The normal bitmap's size, (0, 0) without one.
    QSize GetBitmapSize() const;
    // Moves the window to (x, y) at the normal bitmap's size; nothing before the window exists.
    void MoveTo(int x, int y);
    void ReleaseResources();

    // Makes the window from code: the creation record is logged and the window takes the normal bitmap's
    // size (0 x 0 before any is loaded). WS_VISIBLE shows it, WS_DISABLED disables it.
    bool Create(const QString& caption, unsigned style, const RECT& rect, QWidget* parent, unsigned nID);
    // Makes the window as a control of a dialog template: placed at rect (pixels) and shown.
    void AttachToDialog(QWidget* parent, unsigned nID, const QRect& rect);
    bool IsWindow() const { return m_created; }
    unsigned GetDlgCtrlID() const { return m_ctrlId; }

    bool IsHover() const { return m_hover; }
    bool IsTracking() const { return m_tracking; }
    // The face the next paint draws.
    Face CurrentFace() const;
    const CMaskedBitmap* StateBitmap(Face face) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void StartTracking();
    void OnMouseHover();
    void OnMouseLeave();
    void ReportInitFailure(const char* format);

    int m_initError = 0;
    std::unique_ptr<CMaskedBitmap> m_normal;
    std::unique_ptr<CMaskedBitmap> m_hoverBitmap;
    std::unique_ptr<CMaskedBitmap> m_push;
    std::unique_ptr<CMaskedBitmap> m_disable;
    bool m_hover = false;
    bool m_tracking = false;
    bool m_hoverSent = false;                        // one rest notification per visit, as mouse tracking gives
    IButtonPromptChange* m_promptReceiver = nullptr; // not owned
    QString m_promptText;
    std::optional<QCursor> m_cursor;
    QBasicTimer m_hoverTimer;
    bool m_created = false;
    unsigned m_ctrlId = 0;
};
