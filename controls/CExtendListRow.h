// The rows of the extended list: a row holds one cell per column, and a cell up to four elements, each an
// optional check box, an optional icon and an optional text.
#pragma once

#include "controls/Win32Types.h"

#include <QIcon>
#include <QString>
#include <array>
#include <vector>

class ICheckBoxNotify;

struct CExtendListCellItem {
    bool bHasCheckBox = false;
    bool bChecked = false;
    QIcon hIcon;                                // null for none
    QString szText;                             // empty for none; cut to 259 characters when added
    ICheckBoxNotify* pCheckBoxNotify = nullptr; // not owned; null for none
    int reserved = 0;
    RECT rcCheckBox; // content coordinates; written by painting, used for hits
};

struct CExtendListCell {
    static constexpr int kMaxItems = 4;
    int nItemCount = 0; // 0..4
    std::array<CExtendListCellItem, kMaxItems> items;
    COLORREF crText = 0;
    int nWidth = 0;       // set by the list from its column
    unsigned uFormat = 0; // DrawText format, set by the list from the column's alignment
};

struct CExtendListRow {
    int nTop = 0; // content coordinates, the header included
    int nHeight = 0;
    int nIndex = 0; // position in the list when added
    bool bSelected = false;
    int reserved = 0;
    std::vector<CExtendListCell> cells;

    // The checked flag of the first element of the first cell; false without a cell.
    bool GetCheck() const { return !cells.empty() && cells[0].items[0].bChecked; }
    int Bottom() const { return nTop + nHeight; }
};
