// CEventLock on a process-local event.
#include "core/Locks.h"

bool CEventLock::Create(const char* name)
{
    if (name && *name) {
        bool existed = false;
        m_event = plat::CreateNamedEvent(name, false, true, &existed);
    } else {
        m_event = std::make_shared<plat::Event>(false, true);
    }
    return bool(m_event);
}

bool CEventLock::Lock()
{
    return m_event && m_event->Wait(plat::kInfinite);
}

bool CEventLock::Unlock()
{
    if (!m_event) return false;
    m_event->Set();
    return true;
}
