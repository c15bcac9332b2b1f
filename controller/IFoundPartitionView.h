// What the found-partition controller of partition recovery sees of its page: the rows of found
// partitions, the selection, the page's message boxes, the "Full scan" hint, the Full Scan box and the
// whole-disk search it starts. User-interface thread only.
#pragma once

#include "controller/IDeviceSelectView.h"
#include "controller/WholeDeviceSearch.h"

#include <string>

class IFoundPartitionView : public IWholeDeviceSearchView {
public:
    virtual ~IFoundPartitionView() = default;
    virtual void ClearRows() = 0;
    virtual void AddRow(const DeviceRow& row) = 0;
    // The selected row, -1 when none.
    virtual int GetSelectedRow() = 0;
    virtual void* GetRowItem(int row) = 0;
    virtual int ShowMessage(unsigned stringId, unsigned type) = 0;
    // The "Full scan" hint with its check box; true when the user ticked "do not show again".
    virtual bool ShowFullScanHint() = 0;
    // Unticks the Full Scan box (the controller's switch follows).
    virtual void UncheckFullScan() = 0;
};
