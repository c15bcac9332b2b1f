// A disk image made by CCompressController, read as a sector device: blocks are located through the
// index, decompressed on demand and kept in a small cache of decoded blocks.
#pragma once

#include "core/Locks.h"
#include "core/devices/IStorageDevice.h"
#include "storage/codecs/IDecompressor.h"
#include "storage/diskimage/CImageFile.h"
#include "storage/diskimage/ImageFileFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// ReadSectors is safe from several threads (one read at a time holds the device). The header queries take
// no lock and touch no file. An image whose header does not hold together is refused at construction (with
// a log line): it has no sectors and CheckSlices fails.
class CImageFileDeviceWithDecompress : public IStorageDevice {
public:
    // Decoded blocks kept; a block read sector by sector is decoded once.
    static constexpr size_t kCacheBlocks = 4;

    explicit CImageFileDeviceWithDecompress(const char* path);
    explicit CImageFileDeviceWithDecompress(const std::string& path) : CImageFileDeviceWithDecompress(path.c_str()) {}
    ~CImageFileDeviceWithDecompress() override;

    // FALSE for a range outside the image (first above the sector count, or a count above it), and when a
    // block in the range lies in a missing slice, is cut short or does not decode to its size: those
    // sectors are zeros and a log line names the block. Sectors past the last one stored read as zeros.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    // The header's total block count times 256.
    uint64_t GetSectorCount() override { return m_sectorCount; }
    int32_t GetSectorSize() override { return int32_t(m_sectorSizeValue); }
    bool Open() override { return true; }
    bool Close() override { return true; }

    // TRUE when the header was accepted, the slice list names every slice and each slice file exists and is
    // long enough for the blocks the index puts in it. Logs what is missing.
    bool CheckSlices();
    // Heads per cylinder stored in the header; 255 when it cannot be read.
    int ReadHeaderValue() const { return m_headerRead ? int(m_header.heads) : diskimage::kDefaultHeads; }
    // The source name stored in the header, NUL-terminated and cut to the buffer (at least 1 byte).
    void ReadHeaderString(char* buffer, size_t size) const;
    std::string GetSourceName() const { return m_headerRead ? m_header.sourceName : std::string(); }

    bool IsValid() const { return m_valid; }
    const std::string& GetImagePath() const { return m_path; }
    int GetCompressionKind() const { return m_valid ? int(m_header.kind) : 0; }
    // Blocks decompressed (or copied) from the slices since construction.
    uint64_t GetDecodedBlockCount() const { return m_decodes.load(); }

private:
    struct CachedBlock {
        uint64_t block = UINT64_MAX;
        uint64_t lastUse = 0;
        bool ok = false;
        std::vector<uint8_t> bytes; // the decoded block, zeros past its decoded length
    };

    int FindSliceOfBlock(uint64_t block) const;
    bool DecodeBlock(int slice, uint64_t block, uint8_t* destination, uint32_t& decodedBytes);
    const CachedBlock& GetBlock(uint64_t block);
    bool IsBlockSize(uint64_t block, uint64_t bytes) const;

    CCriticalSectionLock m_lock;
    std::unique_ptr<CImageFile> m_image;
    std::unique_ptr<IDecompressor, void (*)(IDecompressor*)> m_decompressor{nullptr, DeleteDecompressor};
    std::string m_path;
    diskimage::ImageHeader m_header;
    bool m_headerRead = false;
    bool m_valid = false;
    uint64_t m_sectorCount = 0;
    uint32_t m_sectorSizeValue = 512;
    uint32_t m_blockBytes = 512 * diskimage::kBlockSectors;
    std::vector<uint64_t> m_sliceFirstBlock; // per slice, the number of its first block
    std::vector<bool> m_sliceReported;       // a slice that failed to open is logged once
    std::vector<uint8_t> m_stored;
    std::vector<CachedBlock> m_cache;
    uint64_t m_useClock = 0;
    std::atomic<uint64_t> m_decodes{0};
};
