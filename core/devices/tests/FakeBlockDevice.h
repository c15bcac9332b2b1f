// A scripted stand-in for the platform's block device: bytes in memory, failing byte areas with a chosen
// error number, reads that fail a given number of times, and fixed answers for geometry, length and
// READ CAPACITY. Counts its live instances so that tests can see handles leak.
#pragma once

#include "platform/BlockDevice.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

struct FakeDiskScript {
    std::vector<uint8_t> bytes;
    bool geometryOk = true;
    plat::DiskGeometry geometry{};
    bool lengthOk = true;
    uint64_t length = 0; // 0: the size of bytes
    uint64_t capacity0 = 0;
    uint64_t capacity1 = 0;

    struct Failure {
        uint64_t firstByte;
        uint64_t endByte; // exclusive
        uint32_t error;
    };
    std::vector<Failure> failures;
    // Every read fails with this error while the count is positive (counts down).
    int failNextReads = 0;
    uint32_t failNextError = 21;
    // When set, only reads that cover this byte count down failNextReads.
    uint64_t failNextAt = UINT64_MAX;
    // When set, a read returns this many bytes at most (a short read without an error).
    size_t shortReadBytes = 0;

    std::vector<uint64_t> readOffsets;
    std::mutex lock;

    std::vector<uint64_t> TakeReadOffsets()
    {
        std::lock_guard<std::mutex> guard(lock);
        return std::exchange(readOffsets, {});
    }
};

class FakeBlockDevice : public plat::IBlockDevice {
public:
    explicit FakeBlockDevice(std::shared_ptr<FakeDiskScript> script) : m_script(std::move(script)) { ++s_live; }
    ~FakeBlockDevice() override { --s_live; }

    static std::atomic<int> s_live;

    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* bytesRead, uint32_t* error) override
    {
        std::lock_guard<std::mutex> guard(m_script->lock);
        m_script->readOffsets.push_back(offset);
        *bytesRead = 0;
        *error = 0;
        const bool targeted = m_script->failNextAt == UINT64_MAX ||
                              (offset <= m_script->failNextAt && m_script->failNextAt < offset + size);
        if (m_script->failNextReads > 0 && targeted) {
            --m_script->failNextReads;
            *error = m_script->failNextError;
            return false;
        }
        for (const auto& f : m_script->failures) {
            if (offset < f.endByte && offset + size > f.firstByte) {
                *error = f.error;
                return false;
            }
        }
        // Bytes past the stored ones, up to the length, read as zeros.
        const auto& b = m_script->bytes;
        const uint64_t total = std::max<uint64_t>(b.size(), m_script->length);
        size_t n = offset < total ? static_cast<size_t>(std::min<uint64_t>(size, total - offset)) : 0;
        if (m_script->shortReadBytes && n > m_script->shortReadBytes) n = m_script->shortReadBytes;
        const size_t stored = offset < b.size() ? std::min<size_t>(n, b.size() - offset) : 0;
        if (stored) std::memcpy(buffer, b.data() + offset, stored);
        std::memset(static_cast<uint8_t*>(buffer) + stored, 0, n - stored);
        *bytesRead = n;
        return true;
    }
    bool GetGeometry(plat::DiskGeometry* g) override
    {
        *g = m_script->geometry;
        return m_script->geometryOk;
    }
    bool GetLength(uint64_t* bytes) override
    {
        *bytes = m_script->length ? m_script->length : m_script->bytes.size();
        return m_script->lengthOk;
    }
    uint64_t ReadCapacity10(int target) override { return target == 0 ? m_script->capacity0 : m_script->capacity1; }

private:
    std::shared_ptr<FakeDiskScript> m_script;
};

inline std::atomic<int> FakeBlockDevice::s_live{0};
