// Colour, rectangle and window-style values with the Win32 conventions that the windows' sizes, colours and
// styles are given in: COLORREF is 0x00BBGGRR, a RECT's right and bottom edges lie outside it. Converted to
// Qt at the edge.
#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c)
{
    return int(c & 0xFF);
}
constexpr int GetGValue(COLORREF c)
{
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c)
{
    return int((c >> 16) & 0xFF);
}

inline QColor ToQColor(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF ToColorRef(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}
inline COLORREF ToColorRef(QRgb c)
{
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;  // first column outside
    int bottom = 0; // first row outside

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool operator==(const RECT&) const = default;
};

inline QRect ToQRect(const RECT& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}
inline RECT ToRECT(const QRect& r)
{
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Window and button styles that the controls read.
constexpr unsigned WS_CHILD = 0x40000000;
constexpr unsigned WS_VISIBLE = 0x10000000;
constexpr unsigned WS_DISABLED = 0x08000000;
constexpr unsigned WS_TABSTOP = 0x00010000;
constexpr unsigned BS_PUSHBUTTON = 0x0;
constexpr unsigned BS_CHECKBOX = 0x2;
constexpr unsigned BS_AUTOCHECKBOX = 0x3;
constexpr unsigned BS_RADIOBUTTON = 0x4;
constexpr unsigned BS_AUTORADIOBUTTON = 0x9;
constexpr unsigned BS_OWNERDRAW = 0xB;
