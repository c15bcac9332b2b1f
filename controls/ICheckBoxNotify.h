// The receiver of check-box toggles in an extended list: told which element of which cell of which row
// the user has just toggled, and to what.
#pragma once

class ICheckBoxNotify {
public:
    virtual ~ICheckBoxNotify() = default;
    // nRow is the row's index field, nCell and nItem count from 0.
    virtual void OnCheckBoxChanged(bool bChecked, unsigned nRow, int nCell, int nItem) = 0;
};
