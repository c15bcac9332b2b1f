// A check box or radio button painted on a solid background colour, so that it can stand on the white
// panels of the device pages; every click posts UM_CHECK_CLICKED (wParam the check state after the
// click, lParam the button) to its parent window.
#pragma once

#include "controls/Win32Types.h"

#include <QAbstractButton>
#include <QFont>
#include <optional>

class CTransButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class FrameKind { CheckBox, Radio };
    struct Layout {
        QRect focus; // the focus rectangle
        QRect frame; // the 15-pixel-wide column holding the box
        QRect box;   // the box itself: a square centred in the column
        QRect text;
    };

    // How a button style is drawn: bit 0x2 a check box, else any of the bits 0x9 a radio button, else a
    // check box (automatic check boxes and radio buttons are the ones in use).
    static FrameKind FrameKindOf(unsigned style);
    static Layout LayoutFor(const QRect& client);

    explicit CTransButton(QWidget* parent = nullptr);

    // Makes the window with a button style (BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON...) at rect (pixels).
    bool Create(const QString& caption, unsigned style, const QRect& rect, QWidget* parent, unsigned nID);
    void SetButtonStyle(unsigned style);
    unsigned GetButtonStyle() const { return m_style; }

    void SetBkColor(COLORREF crBk) { m_bk = crBk; }
    COLORREF GetBkColor() const { return m_bk; }
    void SetShowFocus(bool bShow) { m_showFocus = bShow; }
    // nPointSize in tenths of a point (90 is 9 pt), as the windows give it.
    void SetTextFont(int nPointSize, const QString& lpszFaceName, bool bBold);
    const std::optional<QFont>& TextFont() const { return m_textFont; }

    int GetCheck() const { return isChecked() ? 1 : 0; }
    void SetCheck(int check) { setChecked(check != 0); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void nextCheckState() override;

private:
    void OnClicked();

    std::optional<QFont> m_textFont;
    COLORREF m_bk = 0xFFFFFF;
    bool m_showFocus = true;
    unsigned m_style = BS_AUTOCHECKBOX;
};
