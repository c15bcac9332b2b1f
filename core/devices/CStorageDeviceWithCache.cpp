// Read-ahead cache device and its read-ahead thread.
#include "core/devices/CStorageDeviceWithCache.h"

#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <system_error>

#include <sys/mman.h>

uint64_t ReadDebugStartSector()
{
    const std::filesystem::path folder = plat::StateFolder();
    if (folder.empty()) return 0;
    std::string text;
    if (!plat::SettingsFile(folder / "config.ini").ReadString("main", "pos", text)) return 0;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || value < 0) return 0;
    return static_cast<uint64_t>(value);
}

void CStorageDeviceWithCache::BufferFree::operator()(uint8_t* p) const
{
    std::free(p);
}

CStorageDeviceWithCache::Buffer CStorageDeviceWithCache::AllocateBuffer(size_t bytes)
{
    constexpr size_t kHugePage = 2u << 20;
    void* p = nullptr;
    if (bytes >= kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (::posix_memalign(&p, kHugePage, rounded) == 0)
            ::madvise(p, rounded, MADV_HUGEPAGE);
        else
            p = nullptr;
    } else {
        p = std::malloc(bytes ? bytes : 1);
    }
    if (!p) throw std::bad_alloc();
    return Buffer(static_cast<uint8_t*>(p));
}

void CStorageDeviceWithCache::ReturnedBuffers::Give(uint8_t* p)
{
    std::lock_guard<std::mutex> guard(lock);
    if (closed)
        std::free(p);
    else
        buffers.push_back(p);
}

uint8_t* CStorageDeviceWithCache::ReturnedBuffers::Take()
{
    std::lock_guard<std::mutex> guard(lock);
    if (buffers.empty()) return nullptr;
    uint8_t* p = buffers.back();
    buffers.pop_back();
    return p;
}

void CStorageDeviceWithCache::ReturnedBuffers::Close()
{
    std::lock_guard<std::mutex> guard(lock);
    closed = true;
    for (uint8_t* p : buffers) std::free(p);
    buffers.clear();
    buffers.shrink_to_fit();
}

size_t CStorageDeviceWithCache::ReturnedBuffers::Count()
{
    std::lock_guard<std::mutex> guard(lock);
    return buffers.size();
}

CStorageDeviceWithCache::CStorageDeviceWithCache(IStorageDevice* parent) : m_parent(parent)
{
    SetCacheBlockSize(kDefaultBlockSectors);
}

CStorageDeviceWithCache::~CStorageDeviceWithCache()
{
    StopCacheThread();
    m_cacheBuffer.reset();
    m_returned->Close();
}

uint64_t CStorageDeviceWithCache::GetSectorCount()
{
    return m_parent ? m_parent->GetSectorCount() : 0;
}

int32_t CStorageDeviceWithCache::GetSectorSize()
{
    return m_parent ? m_parent->GetSectorSize() : 512;
}

bool CStorageDeviceWithCache::SetCacheBlockSize(uint32_t sectors)
{
    if (!m_threads.empty()) return false;
    const int32_t size = GetSectorSize();
    m_unit = size > 0 ? static_cast<uint32_t>(size) : 512;
    if (uint64_t(sectors) * m_unit > std::numeric_limits<size_t>::max()) return false;
    m_blockSectors = sectors;
    m_blockBytes = static_cast<size_t>(uint64_t(sectors) * m_unit);
    DropCurrent();
    m_cacheBuffer.reset();
    // Memory of the old size still shared out is freed when given back.
    m_returned->Close();
    m_returned = std::make_shared<ReturnedBuffers>();
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_spare.clear();
    return true;
}

bool CStorageDeviceWithCache::IsValidBlockIndex(int64_t n)
{
    if (m_blockSectors == 0 || n < 0) return false;
    const uint64_t count = GetSectorCount();
    const uint64_t blocks = count / m_blockSectors + (count % m_blockSectors != 0 ? 1 : 0);
    return static_cast<uint64_t>(n) < blocks;
}

void CStorageDeviceWithCache::DropCurrent()
{
    m_currentBlock = -1;
    m_currentFirst = 0;
    m_currentCount = 0;
}

bool CStorageDeviceWithCache::StartCacheThread()
{
    return StartCacheThread(ReadDebugStartSector());
}

bool CStorageDeviceWithCache::StartCacheThread(uint64_t startSector)
{
    if (!m_parent || m_blockSectors == 0 || !m_threads.empty()) return false;
    const uint64_t count = GetSectorCount();
    if (startSector >= count) startSector = 0;
    // Blocks are counted from sector 0, so the read-ahead starts at the block holding the start sector.
    startSector -= startSector % m_blockSectors;
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_queue.clear();
        m_inFlight.clear();
        m_nextSector = startSector;
        m_deviceSectors = count;
        m_running = true;
        m_producerDone = false;
        m_readersLeft = kReadAheadThreads;
    }
    DropCurrent();
    for (size_t i = 0; i < kReadAheadThreads; ++i) {
        try {
            m_threads.emplace_back(&CStorageDeviceWithCache::CacheThread, this);
        } catch (const std::system_error&) {
            // Fewer threads read ahead; without any, every read goes to the parent.
            std::lock_guard<std::mutex> guard(m_queueLock);
            m_readersLeft -= kReadAheadThreads - i;
            if (m_readersLeft == 0) m_producerDone = true;
            break;
        }
    }
    if (m_threads.empty()) {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_running = false;
        return false;
    }
    return true;
}

void CStorageDeviceWithCache::StopCacheThread()
{
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_running = false;
    }
    m_spaceAvailable.notify_all();
    m_dataReady.notify_all();
    for (std::thread& t : m_threads) t.join();
    m_threads.clear();
    std::lock_guard<std::mutex> guard(m_queueLock);
    // Up to eleven blocks of read-ahead (44 MiB at the intelligent search's block size) are given back now
    // rather than held for the cache's lifetime; the current block stays readable.
    m_queue.clear();
    m_spare.clear();
    m_spare.shrink_to_fit();
    m_producerDone = true;
    // The memory given back so far is freed too; what comes back later waits for the next start.
    while (uint8_t* p = m_returned->Take()) std::free(p);
}

CStorageDeviceWithCache::Buffer CStorageDeviceWithCache::TakeBuffer()
{
    // Called with m_queueLock held.
    if (!m_spare.empty()) {
        Buffer buffer = std::move(m_spare.back());
        m_spare.pop_back();
        return buffer;
    }
    return Buffer(m_returned->Take());
}

uint64_t CStorageDeviceWithCache::SalvageBlock(uint8_t* buffer, uint64_t first, uint64_t count)
{
    // Halves the failed range until single sectors remain, so that the readable sectors of a block with a
    // bad spot still reach the scanners; every sector that cannot be read is zero.
    uint64_t failed = 0;
    std::vector<std::pair<uint64_t, uint64_t>> pending{{0, count}};
    while (!pending.empty()) {
        const auto [at, n] = pending.back();
        pending.pop_back();
        uint8_t* out = buffer + at * m_unit;
        if (m_parent->ReadSectors(out, first + at, n)) continue;
        if (n == 1) {
            std::memset(out, 0, m_unit);
            CReadLossScope::Report({m_parent, first + at, 1, m_unit, out, false});
            ++failed;
            LogError("Read-ahead: sector %" PRIu64 " cannot be read; it is analysed as zeros", first + at);
            continue;
        }
        pending.push_back({at + n / 2, n - n / 2});
        pending.push_back({at, n / 2});
    }
    return failed;
}

void CStorageDeviceWithCache::CacheThread()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(m_queueLock);
    for (;;) {
        // The blocks queued and those being read are held together to the depth.
        const auto held = [this] { return m_queue.size() + m_inFlight.size(); };
        if (m_running && held() >= kQueueDepth + 1) DebugTrace("cache have been filled and wait for");
        m_spaceAvailable.wait(lock, [&] { return !m_running || held() < kQueueDepth + 1; });
        if (!m_running || m_nextSector >= m_deviceSectors) break;
        const uint64_t first = m_nextSector;
        const uint64_t count = std::min<uint64_t>(m_blockSectors, m_deviceSectors - first);
        m_nextSector += count;
        m_inFlight.push_back(first);
        Buffer buffer = TakeBuffer();
        lock.unlock();
        bool ok = false;
        CReadLossScope loss;
        try {
            if (!buffer) buffer = AllocateBuffer(m_blockBytes);
            const Clock::time_point started = Clock::now();
            ok = m_parent->ReadSectors(buffer.get(), first, count);
            DebugTrace("Read %d sector time = %.3f ms", int(count),
                       std::chrono::duration<double, std::milli>(Clock::now() - started).count());
            // A device that read around its bad sectors already holds the rest: nothing to salvage.
            if (!ok && !loss.Empty()) ok = true;
            if (!ok) {
                const uint64_t failed = SalvageBlock(buffer.get(), first, count);
                LogError("Read-ahead: %" PRIu64 " of the %" PRIu64 " sectors from %" PRIu64
                         " could not be read; the block is analysed with them zeroed",
                         failed, count, first);
                ok = true;
            }
        } catch (const std::bad_alloc&) {
            buffer.reset();
        }
        std::vector<CReadLossScope::Record> losses = loss.TakeRecords();
        for (CReadLossScope::Record& r : losses) r.where = nullptr; // the buffer changes hands
        lock.lock();
        m_inFlight.erase(std::find(m_inFlight.begin(), m_inFlight.end(), first));
        // In device order: a block read before the one ahead of it was done goes in front of it.
        auto at = m_queue.end();
        while (at != m_queue.begin() && std::prev(at)->first > first) --at;
        m_queue.insert(at, {first, count, ok, std::move(buffer), std::move(losses)});
        m_dataReady.notify_all();
    }
    if (--m_readersLeft == 0) m_producerDone = true;
    m_dataReady.notify_all();
}

bool CStorageDeviceWithCache::SetCurCacheBlock(int64_t n, std::vector<CReadLossScope::Record>* losses)
{
    if (!m_parent || !IsValidBlockIndex(n)) return false;
    const uint64_t want = static_cast<uint64_t>(n) * m_blockSectors;
    std::unique_lock<std::mutex> lock(m_queueLock);
    DropCurrent();
    for (;;) {
        m_dataReady.wait(lock, [this] { return !m_queue.empty() || m_producerDone; });
        DebugTrace("------wait for is over -----------------");
        // Blocks before the one asked for are passed over; they will not be asked for again.
        while (!m_queue.empty() && m_queue.front().first < want) {
            if (m_queue.front().data) m_spare.push_back(std::move(m_queue.front().data));
            m_queue.pop_front();
            m_spaceAvailable.notify_all();
        }
        if (m_queue.empty()) {
            if (m_producerDone) return true; // nothing more will come: the parent serves block n
            continue;
        }
        // Block n is still being read while a later one is done: it comes in front of that one.
        const auto reading = [&] { return std::find(m_inFlight.begin(), m_inFlight.end(), want) != m_inFlight.end(); };
        if (m_queue.front().first > want && reading()) {
            m_dataReady.wait(lock, [&] { return !reading(); });
            continue;
        }
        Block& front = m_queue.front();
        if (front.first == want && front.ok && front.data) {
            if (losses)
                losses->insert(losses->end(), front.losses.begin(), front.losses.end());
            else
                for (const CReadLossScope::Record& r : front.losses) CReadLossScope::Report(r);
            // The block before stays with whoever holds a share in it; the last one gives it back.
            std::shared_ptr<ReturnedBuffers> returned = m_returned;
            m_cacheBuffer =
                std::shared_ptr<uint8_t>(front.data.release(), [returned](uint8_t* p) { returned->Give(p); });
            m_currentBlock = n;
            m_currentFirst = front.first;
            m_currentCount = front.count;
        }
        // A block ahead of the one asked for stays queued; a failed read leaves the parent to report it.
        if (front.first == want) {
            if (front.data) m_spare.push_back(std::move(front.data));
            m_queue.pop_front();
            m_spaceAvailable.notify_all();
            DebugTrace("------set event to read data to buffer-----------------");
            if (m_queue.empty()) DebugTrace("------set event to wait-----------------");
        }
        return true;
    }
}

bool CStorageDeviceWithCache::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    if (!m_parent) return false;
    if (m_currentBlock < 0 || sectorCount == 0) return m_parent->ReadSectors(buffer, firstSector, sectorCount);
    auto* out = static_cast<uint8_t*>(buffer);
    const uint64_t begin = m_currentFirst;
    const uint64_t end = m_currentFirst + m_currentCount;
    uint64_t done = 0;
    bool ok = true;
    if (firstSector < begin) {
        done = std::min(sectorCount, begin - firstSector);
        ok = m_parent->ReadSectors(out, firstSector, done);
        if (done == sectorCount) return ok;
    }
    // Only a request that starts inside the block uses it; one that began before it was read whole above
    // up to the block and continues from the parent.
    if (firstSector >= begin && firstSector < end) {
        const uint64_t take = std::min(sectorCount, end - firstSector);
        std::memcpy(out, m_cacheBuffer.get() + (firstSector - begin) * m_unit, static_cast<size_t>(take * m_unit));
        done = take;
        if (done == sectorCount) return ok;
    }
    if (!m_parent->ReadSectors(out + done * m_unit, firstSector + done, sectorCount - done)) ok = false;
    return ok;
}

size_t CStorageDeviceWithCache::HeldBufferCount()
{
    std::lock_guard<std::mutex> guard(m_queueLock);
    size_t n = m_spare.size() + m_returned->Count();
    for (const Block& block : m_queue) n += block.data ? 1 : 0;
    return n;
}
