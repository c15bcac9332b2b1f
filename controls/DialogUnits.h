// Dialog geometry: windows are laid out in the dialog units of their templates and placed in pixels
// through the dialog font's base units (4 horizontal units per average character width, 8 vertical units
// per character height). The templates' 8-point dialog font has base units 6 x 13 at 96 dpi.
#pragma once

#include "controls/Win32Types.h"

#include <QRect>
#include <QSize>

class CDialogUnits {
public:
    constexpr CDialogUnits() = default;
    constexpr CDialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    int ToPixelsX(int dluX) const;
    int ToPixelsY(int dluY) const;
    // A template rectangle (x, y, cx, cy in dialog units) in pixels; the edges are mapped, not the size,
    // as the system maps a dialog rectangle.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;
    QSize MapDialogSize(int cx, int cy) const;

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX = 6;
    int m_baseY = 13;
};

// a * b / c rounded to the nearest, halves away from zero; 0 for c == 0.
int MulDiv(int a, int b, int c);
