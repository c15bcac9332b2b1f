// The compressed-image device: header checks, block location, decoding with exact sizes, decoded-block cache.
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

#include "core/bytes/ByteReader.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "storage/codecs/CodecBlock.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

using namespace diskimage;

CImageFileDeviceWithDecompress::CImageFileDeviceWithDecompress(const char* path) : m_path(path ? path : "")
{
    m_sectorSize = 512;
    m_image = std::make_unique<CImageFile>(m_path);
    if (!m_image->Open(CFileHandle::kRead)) {
        LogError("Disk image %s cannot be opened: %s", m_path.c_str(), plat::ErrorText(plat::GetLastError()).c_str());
        return;
    }
    if (!m_image->ReadHeader(m_header)) {
        LogError("Disk image %s: the 512-byte header cannot be read", m_path.c_str());
        return;
    }
    m_headerRead = true;
    m_sectorSizeValue = EffectiveSectorSize(m_header.sectorSize);
    m_sectorSize = int32_t(m_sectorSizeValue);
    m_blockBytes = m_sectorSizeValue * kBlockSectors;

    const std::string problem = CheckImageHeader(m_header);
    if (!problem.empty()) {
        LogError("Disk image %s refused: %s", m_path.c_str(), problem.c_str());
        return;
    }
    uint64_t fileSize = 0;
    const uint64_t indexEnd = kHeaderSize + 4 * uint64_t(m_header.totalBlocks);
    if (!m_image->GetFileSize(CImageFile::kImageFile, fileSize) || fileSize < indexEnd) {
        LogError("Disk image %s refused: the file holds %" PRIu64 " bytes, its index of %u blocks ends at %" PRIu64,
                 m_path.c_str(), fileSize, m_header.totalBlocks, indexEnd);
        return;
    }
    uint64_t first = 0;
    for (uint32_t i = 0; i < m_header.sliceCount; ++i) {
        m_sliceFirstBlock.push_back(first);
        first += m_header.sliceBlocks[i];
    }
    m_sliceReported.assign(m_header.sliceCount, false);
    if (m_header.kind != 0) {
        m_decompressor.reset(CreateDecompressor(int(m_header.kind)));
        if (!m_decompressor) {
            LogError("Disk image %s: no decompressor of kind %u", m_path.c_str(), m_header.kind);
            return;
        }
    }
    m_sectorCount = uint64_t(m_header.totalBlocks) * kBlockSectors;
    m_valid = true;
}

CImageFileDeviceWithDecompress::~CImageFileDeviceWithDecompress() = default;

void CImageFileDeviceWithDecompress::ReadHeaderString(char* buffer, size_t size) const
{
    if (!buffer || size == 0) return;
    const std::string name = GetSourceName();
    const size_t n = std::min(name.size(), size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
}

int CImageFileDeviceWithDecompress::FindSliceOfBlock(uint64_t block) const
{
    for (size_t s = 0; s < m_sliceFirstBlock.size(); ++s) {
        if (block >= m_sliceFirstBlock[s] && block - m_sliceFirstBlock[s] < m_header.sliceBlocks[s]) return int(s);
    }
    return -1;
}

bool CImageFileDeviceWithDecompress::IsBlockSize(uint64_t block, uint64_t bytes) const
{
    // Every block holds 256 sectors but the last, which holds what remained of the source.
    if (block + 1 < m_header.totalBlocks) return bytes == m_blockBytes;
    return bytes > 0 && bytes <= m_blockBytes && bytes % m_sectorSizeValue == 0;
}

bool CImageFileDeviceWithDecompress::DecodeBlock(int slice, uint64_t block, uint8_t* destination,
                                                 uint32_t& decodedBytes)
{
    if (!m_image->OpenSlice(std::string(), uint32_t(slice), CFileHandle::kRead)) {
        if (!m_sliceReported[size_t(slice)]) {
            m_sliceReported[size_t(slice)] = true;
            LogError("Disk image %s: slice %d cannot be opened (%s); its blocks read as zeros", m_path.c_str(), slice,
                     plat::ErrorText(plat::GetLastError()).c_str());
        }
        return false;
    }
    uint64_t offset = 0;
    uint32_t size = 0;
    std::string why;
    if (!m_image->GetBlockLocation(block, block == m_sliceFirstBlock[size_t(slice)], offset, size, &why)) {
        LogError("Disk image %s: block %" PRIu64 ": %s", m_path.c_str(), block, why.c_str());
        return false;
    }
    const uint32_t bound = StoredBlockCapacity(m_blockBytes);
    if (size == 0 || size > bound) {
        LogError("Disk image %s: block %" PRIu64 ": stored length %u outside 1 .. %u", m_path.c_str(), block, size,
                 bound);
        return false;
    }
    if (m_stored.size() < bound) m_stored.resize(bound);
    if (!m_image->ReadAt(m_stored.data(), offset, size, CImageFile::kSliceFile)) {
        LogError("Disk image %s: block %" PRIu64 ": %u stored bytes at offset %" PRIu64 " of %s cannot be read (%s)",
                 m_path.c_str(), block, size, offset, m_image->GetOpenSlicePath().c_str(),
                 plat::ErrorText(plat::GetLastError()).c_str());
        return false;
    }
    ++m_decodes;
    if (m_decompressor) {
        const int got = DecompressBlock(*m_decompressor, m_stored.data(), int(size), destination, int(m_blockBytes));
        if (got >= 0 && IsBlockSize(block, uint64_t(got))) {
            decodedBytes = uint32_t(got);
            return true;
        }
    }
    // Not a stream of the codec: the writer kept the block as read, which only its exact size can show.
    if (IsBlockSize(block, size)) {
        std::memcpy(destination, m_stored.data(), size);
        decodedBytes = size;
        return true;
    }
    LogError("Disk image %s: block %" PRIu64 ": %u stored bytes decode to no whole block", m_path.c_str(), block, size);
    return false;
}

const CImageFileDeviceWithDecompress::CachedBlock& CImageFileDeviceWithDecompress::GetBlock(uint64_t block)
{
    ++m_useClock;
    for (CachedBlock& entry : m_cache) {
        if (entry.block == block) {
            entry.lastUse = m_useClock;
            return entry;
        }
    }
    if (m_cache.size() < kCacheBlocks) m_cache.emplace_back();
    CachedBlock& entry =
        *std::min_element(m_cache.begin(), m_cache.end(),
                          [](const CachedBlock& a, const CachedBlock& b) { return a.lastUse < b.lastUse; });
    entry.block = block;
    entry.lastUse = m_useClock;
    entry.bytes.resize(m_blockBytes);
    uint32_t decoded = 0;
    const int slice = FindSliceOfBlock(block);
    entry.ok = slice >= 0 && DecodeBlock(slice, block, entry.bytes.data(), decoded);
    if (!entry.ok) decoded = 0;
    std::memset(entry.bytes.data() + decoded, 0, m_blockBytes - decoded);
    return entry;
}

bool CImageFileDeviceWithDecompress::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    const uint64_t g = m_sectorSizeValue;
    if (sectorCount > SIZE_MAX / g) return false; // no buffer can be that large; leave it alone
    auto* out = static_cast<uint8_t*>(buffer);
    CAutoLock guard(m_lock);
    const uint64_t total = m_sectorCount;
    if (firstSector > total || sectorCount > total) {
        std::memset(out, 0, size_t(sectorCount * g));
        return false;
    }
    const uint64_t inside = std::min(sectorCount, total - firstSector);
    bool ok = true;
    uint64_t current = firstSector;
    uint64_t left = inside;
    while (left > 0) {
        const uint64_t block = current / kBlockSectors;
        const uint64_t inBlock = current % kBlockSectors;
        const uint64_t n = std::min<uint64_t>(kBlockSectors - inBlock, left);
        const CachedBlock& entry = GetBlock(block);
        if (entry.ok)
            std::memcpy(out, entry.bytes.data() + inBlock * g, size_t(n * g));
        else {
            std::memset(out, 0, size_t(n * g));
            ok = false;
        }
        out += n * g;
        current += n;
        left -= n;
    }
    std::memset(out, 0, size_t((sectorCount - inside) * g));
    return ok;
}

bool CImageFileDeviceWithDecompress::CheckSlices()
{
    if (!m_valid) return false;
    CAutoLock guard(m_lock);
    std::vector<std::string> lines;
    if (!m_image->LoadSliceList(m_header.sliceCount, &lines)) {
        LogError("Disk image %s: the slice list %s cannot be read or names fewer than %u slices", m_path.c_str(),
                 MakeSliceListPath(m_path).c_str(), m_header.sliceCount);
        return false;
    }
    for (uint32_t s = 0; s < m_header.sliceCount; ++s) {
        CFileHandle slice(lines[s].c_str(), CFileHandle::kRead);
        uint64_t size = 0;
        if (!slice.IsOpen() || !slice.GetSize(size)) {
            LogError("Disk image %s: slice %u (%s) is missing", m_path.c_str(), s, lines[s].c_str());
            return false;
        }
        const uint32_t blocks = m_header.sliceBlocks[s];
        if (blocks == 0) continue;
        uint8_t word[4];
        const uint64_t last = m_sliceFirstBlock[s] + blocks - 1;
        if (!m_image->ReadAt(word, kHeaderSize + 4 * last, 4, CImageFile::kImageFile)) return false;
        const uint64_t needed = uint64_t(kSliceHead) + bytes::ByteReader(word, sizeof word).u32le(0);
        if (size < needed) {
            LogError("Disk image %s: slice %u (%s) holds %" PRIu64 " bytes, its blocks end at %" PRIu64, m_path.c_str(),
                     s, lines[s].c_str(), size, needed);
            return false;
        }
    }
    return true;
}
