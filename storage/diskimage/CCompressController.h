// The disk-image writer: reads a sector range of a device in blocks of 256 sectors, compresses each block
// on its own and stores it in size-limited slices with the image's header and block index.
#pragma once

#include "storage/codecs/ICompressor.h"
#include "storage/diskimage/CImageFile.h"
#include "storage/diskimage/ICompressCallBack.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class IStorageDevice;

// One per imaging run. Compress runs on the caller's thread; SetImagePath may be called from another
// thread (or from the callback) while it runs. The getters of the outcome are for after Compress.
class CCompressController {
public:
    // How the last run ended.
    enum class Status {
        NotRun,
        Complete,
        Cancelled,
        BadSettings,  // no source, a range outside it, a sector size or image path that cannot be stored
        CannotCreate, // the image file, the slice list or a slice could not be created
        WriteFailed,  // a write failed (a full disk, most often): the image is incomplete
        SliceLimit,   // the image would need more slices than the header holds
        TooLarge,     // more blocks than the index can count
    };

    static constexpr int kDictionarySize = 8 << 20;

    CCompressController();
    ~CCompressController();
    CCompressController(const CCompressController&) = delete;
    CCompressController& operator=(const CCompressController&) = delete;

    // The source is not owned and must outlive Compress. heads: the source disk's heads per cylinder (255 for
    // a volume), kept in the header.
    void SetSource(IStorageDevice* source, const char* sourceName, uint64_t firstSector, uint64_t sectorCount,
                   int heads);
    // kind 0 stores every block as read; 1 bzip2, 2 zlib, 3 LZMA. level as the codec takes it (zlib -1 is
    // the library's default; a level a codec cannot take becomes its default). sliceLimit in 512-byte units;
    // 0 or less, or more than diskimage::kMaxSliceLimit, means diskimage::kMaxSliceLimit. Always 1.
    int SetCompression(int kind, int level, int sliceLimit);
    // Where the image goes; slices started after a later call are made under the new path's stem, while the
    // image file and its slice list stay where they were created.
    void SetImagePath(const char* path);

    // Writes the whole image. 1 when every block was written or the callback cancelled the run (the image
    // then holds the blocks written and its header counts exactly them); 0 on failure, with GetStatus and
    // GetErrorText saying why (also in the log). callback may be null.
    int Compress(ICompressCallBack* callback);

    Status GetStatus() const { return m_status; }
    // A sentence for the user; empty after a complete run.
    const std::string& GetErrorText() const { return m_errorText; }
    // Source sectors that could not be read; they are stored as zeros.
    uint64_t GetUnreadableSectors() const { return m_unreadableSectors; }
    uint64_t GetBlocksWritten() const { return m_blocksWritten; }
    uint64_t GetStoredBytes() const { return m_storedBytes; }
    uint32_t GetSlicesCreated() const { return m_slicesCreated; }

private:
    bool CreateImage();
    bool ReadAndStoreBlock(uint64_t firstSector, uint32_t sectors, int& storedSize);
    void ReadBlock(uint64_t firstSector, uint32_t sectors);
    uint32_t CompressBlock(uint32_t length);
    bool WriteBlock(const uint8_t* data, uint32_t size);
    bool StartNewSlice();
    bool FinishImage();
    bool Fail(Status status, const std::string& text);
    std::string CurrentImagePath();

    std::unique_ptr<CImageFile> m_image;
    std::mutex m_pathLock;
    std::string m_imagePath;

    IStorageDevice* m_source = nullptr;
    std::string m_sourceName;
    int m_heads = 255;
    uint64_t m_firstSector = ~uint64_t(0);
    uint64_t m_sectorCount = ~uint64_t(0);

    ICompressor* m_compressor = nullptr;
    int m_kind = 0;
    int m_level = 1;
    int m_sliceLimit = 0;

    // Run state.
    uint32_t m_sectorSize = 512;
    uint64_t m_sliceLimitBytes = 0;
    std::vector<uint8_t> m_input;
    std::vector<uint8_t> m_output;
    uint32_t m_blocksInSlice = 0;
    uint64_t m_storedBytes = 0;
    uint64_t m_sliceBytes = 0;
    uint32_t m_slicesCreated = 0;
    uint64_t m_blocksWritten = 0;
    bool m_slicePending = false; // the open slice is not yet recorded in the header
    bool m_newSliceRequest = false;
    uint64_t m_unreadableSectors = 0;
    Status m_status = Status::NotRun;
    std::string m_errorText;
};
