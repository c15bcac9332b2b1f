// One tab of the tab strip: its rectangle, text, the child window it shows, and a close box on every tab
// after the first. Owned by the strip. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QPainter;

class CTabCtrlPlusItem {
public:
    static constexpr QRgb kFrameColour = 0xFF9CAABD; // COLORREF 0xBDAA9C
    static constexpr QRgb kPressedColour = 0xFF404040;
    static constexpr QRgb kSelectionBand = 0xFFA1CEEF; // COLORREF 0xEFCEA1

    CTabCtrlPlusItem(const RECT& rcItem, const QString& lpszItem, QWidget* pWnd, bool bHasCloseBox);

    void SetSelected(bool bSelected);
    // Moves the tab to x = iPos keeping its width, and places the close box.
    void SetPos(int iPos);
    bool HitTest(int x, int y) const;
    bool HitCloseBox(int x, int y) const;
    void Draw(QPainter* dc) const;
    void DrawCloseBox(QPainter* dc) const;

    const RECT& Rect() const { return m_rcItem; }
    const RECT& CloseBox() const { return m_rcCloseBox; }
    const QString& Text() const { return m_text; }
    QWidget* Window() const { return m_pWnd; }
    bool HasCloseBox() const { return m_hasCloseBox; }
    bool IsSelected() const { return m_selected; }
    bool IsPressed() const { return m_pressed; }
    void SetPressed(bool pressed) { m_pressed = pressed; }

private:
    RECT m_rcItem;
    QString m_text;
    QPointer<QWidget> m_pWnd; // not owned
    bool m_hasCloseBox;
    bool m_selected = false;
    RECT m_rcCloseBox;
    bool m_pressed = false;
};
