// The process-wide recovery-state streams.
#include "storage/recoverystate/RSDataStreams.h"

#include "storage/recoverystate/CRSDataEx.h"

IRSData* GetRSDataWriter()
{
    static CRSDataEx writer(CRSData::kModeWrite);
    return &writer;
}

IRSData* GetRSDataReader()
{
    static CRSDataEx reader(CRSData::kModeRead);
    return &reader;
}
