// The block reader of the RAW analysers: 128 sectors plus one per load, shortened at the device's end.
#include "raw/RawSectorReader.h"

#include "core/devices/CBufferStorageDevice.h"
#include "core/devices/IStorageDevice.h"

#include <algorithm>
#include <cstring>
#include <new>

uint64_t GetRawDeviceSectorCount(IStorageDevice* device)
{
    if (device == nullptr) return 0;
    if (auto* ring = dynamic_cast<CBufferStorageDevice*>(device)) {
        IStorageDevice* source = ring->GetSource();
        return source != nullptr ? source->GetSectorCount() : 0;
    }
    return device->GetSectorCount();
}

RawSectorReader::RawSectorReader(IStorageDevice* device, uint64_t startSector)
    : m_device(device), m_startSector(startSector)
{
    if (device == nullptr) {
        m_usable = false;
        return;
    }
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0 || sectorSize > kMaxSectorSize) {
        m_usable = false;
        m_bytesToEnd = 0;
        return;
    }
    m_sectorSize = static_cast<uint32_t>(sectorSize);
    m_sectorCount = GetRawDeviceSectorCount(device);
    if (m_sectorCount != 0) {
        const uint64_t left = startSector < m_sectorCount ? m_sectorCount - startSector : 0;
        m_bytesToEnd = left > UINT64_MAX / m_sectorSize ? UINT64_MAX : left * m_sectorSize;
    }
}

RawSectorReader::~RawSectorReader() = default;

bool RawSectorReader::Load(uint64_t block)
{
    if (!m_usable) return false;
    // block * 128 + start never wraps for offsets a caller can name: offsets are u64 bytes, blocks are bytes / 64 KiB.
    const uint64_t first = m_startSector + block * kBlockSectors;
    if (first < m_startSector) return false;
    uint64_t count = kBlockSectors + 1;
    if (m_sectorCount != 0) {
        if (first >= m_sectorCount) return false;
        count = std::min<uint64_t>(count, m_sectorCount - first);
    }
    // The buffer grows to what a load needs: small devices (and fuzzed ones) never cost a whole block.
    const size_t need = size_t(count) * m_sectorSize;
    if (m_capacity < need) {
        m_buffer.reset(new (std::nothrow) uint8_t[need]());
        m_capacity = m_buffer ? need : 0;
        if (!m_buffer) return false;
    }
    m_currentBlock = UINT64_MAX;
    ++m_reads;
    if (!m_device->ReadSectors(m_buffer.get(), first, count)) {
        // The extra sector may be the one that fails (a bad sector, or the end of a device of unknown size):
        // the block alone still serves every offset inside it.
        if (count != kBlockSectors + 1) return false;
        count = kBlockSectors;
        ++m_reads;
        if (!m_device->ReadSectors(m_buffer.get(), first, count)) return false;
    }
    m_validBytes = size_t(count) * m_sectorSize;
    m_currentBlock = block;
    return true;
}

std::span<const uint8_t> RawSectorReader::GetSpan(uint64_t offset)
{
    if (!m_usable || offset >= m_bytesToEnd) return {};
    const uint64_t blockSize = GetBlockSize();
    const uint64_t block = offset / blockSize;
    if (block != m_currentBlock && !Load(block)) return {};
    const size_t inBlock = static_cast<size_t>(offset % blockSize);
    if (inBlock >= m_validBytes) return {};
    return {m_buffer.get() + inBlock, m_validBytes - inBlock};
}

const uint8_t* RawSectorReader::GetPointer(uint64_t offset)
{
    const std::span<const uint8_t> bytes = GetSpan(offset);
    return bytes.empty() ? nullptr : bytes.data();
}

bool RawSectorReader::Read(uint64_t offset, void* out, size_t count)
{
    auto* to = static_cast<uint8_t*>(out);
    while (count != 0) {
        const std::span<const uint8_t> bytes = GetSpan(offset);
        if (bytes.empty()) {
            std::memset(to, 0, count);
            return false;
        }
        const size_t n = std::min(count, bytes.size());
        std::memcpy(to, bytes.data(), n);
        to += n;
        count -= n;
        offset += n;
    }
    return true;
}
