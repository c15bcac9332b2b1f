// Reading the "Ignore bad sectors" option for the device reads.
#include "core/devices/ReadOptions.h"

bool IgnoreBadSectorsOption()
{
    return true;
}
