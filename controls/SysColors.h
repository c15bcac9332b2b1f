// The system colours the self-drawn controls fall back on (button face, window, window text), fixed to the
// classic desktop values so that every window looks the same whatever the desktop theme.
#pragma once

#include "controls/Win32Types.h"

constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;

// The colour of a system colour index; black for an index not listed above.
constexpr COLORREF GetSysColor(int index)
{
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    default: return RGB(0, 0, 0);
    }
}
