// The injectable tick clock.
#include "controls/TickClock.h"

#include "platform/Clock.h"

namespace {

class CSystemTickClock : public ITickClock {
public:
    uint32_t GetTickCount() const override { return plat::GetTickCount(); }
};

CSystemTickClock g_systemClock;
std::atomic<ITickClock*> g_clock{nullptr};

} // namespace

ITickClock& GetTickClock()
{
    ITickClock* c = g_clock.load();
    return c ? *c : g_systemClock;
}

void SetTickClock(ITickClock* clock)
{
    g_clock.store(clock);
}
