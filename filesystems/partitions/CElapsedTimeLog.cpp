// Elapsed-time traces.
#include "filesystems/partitions/CElapsedTimeLog.h"

#include "core/filetypes/FixedText.h"
#include "platform/Clock.h"
#include "platform/Log.h"

CElapsedTimeLog::CElapsedTimeLog(const char* label) : m_startTick(plat::GetTickCount())
{
    CopyFixedText(m_label, label ? label : "");
}

CElapsedTimeLog::~CElapsedTimeLog()
{
    const uint32_t elapsed = plat::GetTickCount() - m_startTick;
    DebugTrace("%s dwElapsedTime %u \n", m_label, unsigned(elapsed));
    m_startTick = plat::GetTickCount();
}
