// The read-ahead cache of a one-pass sequential scan: threads read the following blocks of the parent into a
// queue while the consumer works on the current block; reads inside the current block are memory copies, all
// others go to the parent.
#pragma once

#include "core/devices/CReadLossScope.h"
#include "core/devices/IStorageDevice.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

// Does not own the parent, which must allow reads from several threads at once (the read-ahead threads and
// the consumer) and must outlive the cache. ReadSectors, SetCurCacheBlock and the start/stop calls belong to
// one consumer thread.
class CStorageDeviceWithCache : public IStorageDevice {
public:
    static constexpr uint32_t kDefaultBlockSectors = 1000;
    // Blocks waiting in the queue before the read-ahead pauses (one more may be in flight).
    static constexpr size_t kQueueDepth = 10;
    // Threads reading ahead, each a block of its own at a time: one copy out of the page cache runs at about
    // half the speed a machine's memory can take, and a block's first use costs its page faults on top.
    static constexpr size_t kReadAheadThreads = 2;

    explicit CStorageDeviceWithCache(IStorageDevice* parent);
    // Stops and joins the read-ahead threads.
    ~CStorageDeviceWithCache() override;

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override;
    // True when there is a parent.
    bool Open() override { return m_parent != nullptr; }
    bool Close() override { return m_parent != nullptr; }

    // New block size in sectors; drops the current block. False while the read-ahead thread runs.
    bool SetCacheBlockSize(uint32_t sectors);
    uint32_t GetCacheBlockSize() const { return m_blockSectors; }
    // Whether block n lies (at least partly) on the device.
    bool IsValidBlockIndex(int64_t n);

    // Starts reading ahead from the configured start sector (ReadDebugStartSector), rounded down to a
    // multiple of the block size; a start past the end counts as 0.
    bool StartCacheThread();
    bool StartCacheThread(uint64_t startSector);
    // Joins the read-ahead threads and frees every queued and spare block buffer; the current block stays.
    void StopCacheThread();
    bool IsCacheThreadRunning() const { return !m_threads.empty(); }

    // Makes block n current: waits for the read-ahead to deliver it (blocks are handed over in device order,
    // whichever thread read them first). A block whose read failed is
    // delivered with its unreadable sectors zeroed (each one logged); the sectors it holds as zeros are
    // reported to the calling thread's CReadLossScope. When the queue cannot deliver block n
    // (the thread stopped, blocks asked out of order) there is no current block and reads go to the parent. False for an invalid block index (the current block is then unchanged).
    // With losses given, the block's zeroed sectors are added there instead, for the caller to report later.
    bool SetCurCacheBlock(int64_t n, std::vector<CReadLossScope::Record>* losses = nullptr);
    // The current block, -1 when there is none.
    int64_t GetCurrentBlock() const { return m_currentBlock; }
    // The bytes of the current block, read in place (its sectors that could not be read are zeros); empty
    // when there is none. Valid until the next SetCurCacheBlock, SetCacheBlockSize or StartCacheThread.
    std::span<const uint8_t> GetCurrentBlockBytes() const
    {
        if (m_currentBlock < 0) return {};
        return {m_cacheBuffer.get(), static_cast<size_t>(m_currentCount * m_unit)};
    }
    // A share in the current block's memory (null when there is none): the bytes stay as they are for as long
    // as a share is held, after the block stops being current and after the cache is gone. The memory goes
    // back to the read-ahead when the last share is dropped.
    std::shared_ptr<const uint8_t> GetCurrentBlockShare() const { return m_currentBlock < 0 ? nullptr : m_cacheBuffer; }
    // Block buffers held besides the current one (queued or kept for reuse).
    size_t HeldBufferCount();

private:
    // One block's memory: uninitialised, aligned for huge pages so that filling it costs few page faults.
    struct BufferFree {
        void operator()(uint8_t* p) const;
    };
    using Buffer = std::unique_ptr<uint8_t[], BufferFree>;
    static Buffer AllocateBuffer(size_t bytes);

    // The block memory given back by the holders of shares in it, for the read-ahead to fill again; shared
    // with those holders' deleters so that it outlives the cache when they do. Once closed, memory given back
    // is freed.
    struct ReturnedBuffers {
        std::mutex lock;
        std::vector<uint8_t*> buffers;
        bool closed = false;
        void Give(uint8_t* p);
        uint8_t* Take();
        void Close();
        size_t Count();
    };

    struct Block {
        uint64_t first;
        uint64_t count;
        bool ok;
        Buffer data;
        // The sectors the read-ahead got as zeros, told to the consumer's CReadLossScope when the block
        // becomes current.
        std::vector<CReadLossScope::Record> losses;
    };

    void CacheThread();
    // Rereads a block whose read failed in ever smaller pieces; the sectors that still fail are zeroed and
    // logged. Returns how many failed.
    uint64_t SalvageBlock(uint8_t* buffer, uint64_t first, uint64_t count);
    Buffer TakeBuffer();
    void DropCurrent();

    IStorageDevice* m_parent;
    uint32_t m_blockSectors = 0;
    size_t m_blockBytes = 0;
    uint32_t m_unit = 512;

    // Consumer side.
    int64_t m_currentBlock = -1;
    uint64_t m_currentFirst = 0;
    uint64_t m_currentCount = 0;
    std::shared_ptr<uint8_t> m_cacheBuffer; // its deleter gives the memory to m_returned
    std::shared_ptr<ReturnedBuffers> m_returned = std::make_shared<ReturnedBuffers>();

    // Shared with the read-ahead thread, under m_queueLock.
    std::mutex m_queueLock;
    std::condition_variable m_dataReady;
    std::condition_variable m_spaceAvailable;
    std::deque<Block> m_queue; // in device order
    std::vector<Buffer> m_spare;
    std::vector<uint64_t> m_inFlight; // first sectors of the blocks being read
    size_t m_readersLeft = 0;
    bool m_running = false;
    bool m_producerDone = true;
    uint64_t m_nextSector = 0;
    uint64_t m_deviceSectors = 0;
    std::vector<std::thread> m_threads;
};

// The read-ahead start: key "pos" of section "main" in config.ini of the state folder; 0 when the file, the
// key or a non-negative number is missing.
uint64_t ReadDebugStartSector();
