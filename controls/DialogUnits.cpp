// Dialog-unit conversion.
#include "controls/DialogUnits.h"

#include <cstdint>

int MulDiv(int a, int b, int c)
{
    if (c == 0) return 0;
    const int64_t p = int64_t(a) * b;
    const int64_t half = (c < 0 ? -int64_t(c) : int64_t(c)) / 2;
    const int64_t q = ((p < 0) != (c < 0)) ? (p - half) / c : (p + half) / c;
    return int(q);
}

int CDialogUnits::ToPixelsX(int dluX) const
{
    return MulDiv(dluX, m_baseX, 4);
}
int CDialogUnits::ToPixelsY(int dluY) const
{
    return MulDiv(dluY, m_baseY, 8);
}

QRect CDialogUnits::MapDialogRect(int x, int y, int cx, int cy) const
{
    const int left = ToPixelsX(x), top = ToPixelsY(y);
    const int right = ToPixelsX(x + cx), bottom = ToPixelsY(y + cy);
    return QRect(left, top, right - left, bottom - top);
}

QSize CDialogUnits::MapDialogSize(int cx, int cy) const
{
    return QSize(ToPixelsX(cx), ToPixelsY(cy));
}
