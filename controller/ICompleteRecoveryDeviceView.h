// What the format-recovery device controller sees of its page beyond the device list (IDeviceSelectView): the intelligent
// search under its progress dialog, the tree of the signature hits of a whole device, and the open dialog
// of a raw sector image. User-interface thread only.
#pragma once

#include "controller/WholeDeviceSearch.h"

#include <string>

class ICompleteRecoveryDeviceView : public IWholeDeviceSearchView {
public:
};
