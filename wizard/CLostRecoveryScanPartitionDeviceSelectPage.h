// Page 8 of the wizard: the partitions the whole-disk search of partition recovery found, for the user to
// tick before their trees are built; format recovery's scan-partition page with partition recovery's help.
// User-interface thread only.
#pragma once

#include "wizard/CCompleteRecoveryScanPartitionDeviceSelectPage.h"

class CLostRecoveryScanPartitionDeviceSelectPage : public CCompleteRecoveryScanPartitionDeviceSelectPage {
public:
    static constexpr int kHelpId = 51;

    int GetHelpContextId() override { return kHelpId; }
};
