// The collector's start, thread registration, pauses and allocation for the ext2 reader.
#include "filesystems/ext2/Ext2Collector.h"

#include "platform/Log.h"
#include "platform/Memory.h"

#define GC_THREADS
#define GC_NO_THREAD_REDIRECTS
#include <gc/gc.h>

#include <mutex>

namespace {

void ForwardWarning(char* message, GC_word value)
{
    DebugTrace("Collector: %s (%lu)", message ? message : "", static_cast<unsigned long>(value));
}

std::once_flag s_started;

// The collector takes the thread that starts it as the main one and scans its stack from the main stack's
// base, so it must start on the main thread: statics are built there.
const bool s_startedBeforeMain = (InitExt2Collector(), true);

} // namespace

void InitExt2Collector()
{
    std::call_once(s_started, [] {
        GC_INIT();
        GC_set_warn_proc(ForwardWarning);
        GC_allow_register_threads();
    });
}

Ext2CollectorThread::Ext2CollectorThread()
{
    InitExt2Collector();
    if (GC_thread_is_registered()) return;
    GC_stack_base base{};
    if (GC_get_stack_base(&base) != GC_SUCCESS) return;
    m_registered = GC_register_my_thread(&base) == GC_SUCCESS;
}

Ext2CollectorThread::~Ext2CollectorThread()
{
    if (m_registered) GC_unregister_my_thread();
}

Ext2CollectorPause::Ext2CollectorPause()
{
    InitExt2Collector();
    GC_disable();
}

Ext2CollectorPause::~Ext2CollectorPause()
{
    GC_enable();
}

void* Ext2CollectedAllocHeld(size_t bytes)
{
    void* p = GC_MALLOC_ATOMIC_UNCOLLECTABLE(bytes ? bytes : 1);
    if (!p) plat::OutOfMemory(bytes);
    return p;
}

void Ext2CollectedFree(void* p)
{
    if (p) GC_FREE(p);
}
