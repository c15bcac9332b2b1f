// The two process-wide recovery-state streams. Neither has a lock: the writer is used by one worker
// at a time, the reader by the user-interface thread.
#pragma once

#include "core/rsdata/IRSData.h"

// The writing CRSDataEx, made on first call, destroyed at exit.
IRSData* GetRSDataWriter();
// The reading CRSDataEx, likewise.
IRSData* GetRSDataReader();
