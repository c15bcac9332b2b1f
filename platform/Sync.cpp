// Events, semaphores and mutexes on std::mutex + std::condition_variable, and the process-local name table.
#include "platform/Sync.h"

#include <chrono>
#include <map>
#include <thread>

namespace plat {

namespace {

// Waits on cond until ready() holds or the time is up; lock must be held.
template <class Ready>
bool WaitFor(std::condition_variable& cond, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs, Ready ready)
{
    if (timeoutMs == kInfinite) {
        cond.wait(lock, ready);
        return true;
    }
    return cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

} // namespace

Event::Event(bool manualReset, bool initialState) : m_manual(manualReset), m_signalled(initialState) {}

void Event::Set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
    }
    if (m_manual)
        m_cond.notify_all();
    else
        m_cond.notify_one();
}

void Event::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

bool Event::Wait(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!WaitFor(m_cond, lock, timeoutMs, [this] { return m_signalled; })) return false;
    if (!m_manual) m_signalled = false;
    return true;
}

bool Event::IsSet() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalled;
}

Semaphore::Semaphore(int32_t initialCount, int32_t maximumCount)
    : m_count(initialCount < 0 ? 0 : initialCount), m_maximum(maximumCount < 1 ? 1 : maximumCount)
{
    if (m_count > m_maximum) m_count = m_maximum;
}

bool Semaphore::Release(int32_t count, int32_t* previous)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (count <= 0 || count > m_maximum - m_count) return false;
        if (previous) *previous = m_count;
        m_count += count;
    }
    if (count == 1)
        m_cond.notify_one();
    else
        m_cond.notify_all();
    return true;
}

bool Semaphore::Wait(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!WaitFor(m_cond, lock, timeoutMs, [this] { return m_count > 0; })) return false;
    --m_count;
    return true;
}

int32_t Semaphore::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

bool Mutex::Wait(uint32_t timeoutMs)
{
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_depth > 0 && m_owner == self) {
        ++m_depth;
        return true;
    }
    if (!WaitFor(m_cond, lock, timeoutMs, [this] { return m_depth == 0; })) return false;
    m_owner = self;
    m_depth = 1;
    return true;
}

bool Mutex::Release()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_depth == 0 || m_owner != std::this_thread::get_id()) return false;
        if (--m_depth > 0) return true;
        m_owner = std::thread::id();
    }
    m_cond.notify_one();
    return true;
}

namespace {

template <class T>
struct NameTable {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<T>> objects;

    template <class Make>
    std::shared_ptr<T> Create(const std::string& name, bool* existed, Make make)
    {
        std::lock_guard<std::mutex> guard(lock);
        auto& slot = objects[name];
        std::shared_ptr<T> obj = slot.lock();
        if (existed) *existed = bool(obj);
        if (!obj) {
            obj = make();
            slot = obj;
        }
        return obj;
    }

    std::shared_ptr<T> Open(const std::string& name)
    {
        std::lock_guard<std::mutex> guard(lock);
        auto it = objects.find(name);
        if (it == objects.end()) return nullptr;
        std::shared_ptr<T> obj = it->second.lock();
        if (!obj) objects.erase(it);
        return obj;
    }
};

NameTable<Event>& Events()
{
    static auto* table = new NameTable<Event>; // outlives every static holding a named object
    return *table;
}

NameTable<Mutex>& Mutexes()
{
    static auto* table = new NameTable<Mutex>;
    return *table;
}

} // namespace

std::shared_ptr<Event> CreateNamedEvent(const std::string& name, bool manualReset, bool initialState, bool* existed)
{
    return Events().Create(name, existed, [&] { return std::make_shared<Event>(manualReset, initialState); });
}

std::shared_ptr<Event> OpenNamedEvent(const std::string& name)
{
    return Events().Open(name);
}

std::shared_ptr<Mutex> CreateNamedMutex(const std::string& name, bool* existed)
{
    return Mutexes().Create(name, existed, [] { return std::make_shared<Mutex>(); });
}

std::shared_ptr<Mutex> OpenNamedMutex(const std::string& name)
{
    return Mutexes().Open(name);
}

} // namespace plat
