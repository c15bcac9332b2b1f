// The disk-image writer: block loop, compression with raw fallback, slice changes and checked writes.
#include "storage/diskimage/CCompressController.h"

#include "core/devices/CReadLossScope.h"

#include "core/bytes/ByteWriter.h"
#include "core/devices/IStorageDevice.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "storage/codecs/CodecBlock.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

using namespace diskimage;

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string LastErrorText()
{
    return plat::ErrorText(plat::GetLastError());
}

} // namespace

CCompressController::CCompressController() = default;

CCompressController::~CCompressController()
{
    DeleteCompressor(m_compressor);
}

void CCompressController::SetSource(IStorageDevice* source, const char* sourceName, uint64_t firstSector,
                                    uint64_t sectorCount, int heads)
{
    m_source = source;
    m_sourceName = sourceName ? sourceName : "";
    m_firstSector = firstSector;
    m_sectorCount = sectorCount;
    m_heads = heads;
}

int CCompressController::SetCompression(int kind, int level, int sliceLimit)
{
    m_kind = kind;
    m_level = level;
    if (kind == COMPRESSION_ZLIB && (level < -1 || level > 9))
        m_level = -1;
    else if (kind == COMPRESSION_BZIP2 && (level < 1 || level > 9))
        m_level = 9;
    m_sliceLimit = (sliceLimit <= 0 || sliceLimit > kMaxSliceLimit) ? kMaxSliceLimit : sliceLimit;
    DeleteCompressor(m_compressor);
    m_compressor = CreateCompressor(kind);
    return 1;
}

void CCompressController::SetImagePath(const char* path)
{
    std::lock_guard<std::mutex> guard(m_pathLock);
    m_imagePath = path ? path : "";
}

std::string CCompressController::CurrentImagePath()
{
    std::lock_guard<std::mutex> guard(m_pathLock);
    return m_imagePath;
}

bool CCompressController::Fail(Status status, const std::string& text)
{
    m_status = status;
    m_errorText = text;
    LogError("Disk image: %s", text.c_str());
    return false;
}

int CCompressController::Compress(ICompressCallBack* callback)
{
    m_status = Status::NotRun;
    m_errorText.clear();
    m_blocksInSlice = 0;
    m_storedBytes = 0;
    m_sliceBytes = 0;
    m_slicesCreated = 0;
    m_blocksWritten = 0;
    m_slicePending = false;
    m_newSliceRequest = false;
    m_unreadableSectors = 0;
    m_image.reset();

    if (!m_source) return Fail(Status::BadSettings, "No source device was given for the image.");
    const int32_t sectorSize = m_source->GetSectorSize();
    if (!IsStorableSectorSize(sectorSize))
        return Fail(Status::BadSettings,
                    Format("The source's sector size %d cannot be stored in an image.", int(sectorSize)));
    const uint64_t sourceSectors = m_source->GetSectorCount();
    if (m_firstSector > sourceSectors || m_sectorCount > sourceSectors - m_firstSector)
        return Fail(Status::BadSettings,
                    Format("Sectors %" PRIu64 " + %" PRIu64 " lie outside the source of %" PRIu64 " sectors.",
                           m_firstSector, m_sectorCount, sourceSectors));
    const std::string path = CurrentImagePath();
    if (path.empty() || path.find_first_of("\r\n") != std::string::npos)
        return Fail(Status::BadSettings, "The image path is empty or holds a line break.");
    if (MakeSliceListPath(path) == path)
        return Fail(Status::BadSettings, "The image file cannot have the name of its own slice list: " + path);
    const uint64_t blockCount = (m_sectorCount + kBlockSectors - 1) / kBlockSectors;
    if (blockCount > UINT32_MAX)
        return Fail(Status::TooLarge, Format("%" PRIu64 " blocks are more than an image can index.", blockCount));

    m_sectorSize = uint32_t(sectorSize);
    m_sliceLimitBytes = uint64_t(m_sliceLimit > 0 ? m_sliceLimit : kMaxSliceLimit) * 512;
    const uint32_t blockBytes = m_sectorSize * kBlockSectors;
    m_input.assign(blockBytes, 0);
    m_output.assign(StoredBlockCapacity(blockBytes), 0);

    if (!CreateImage()) {
        m_image.reset();
        return 0;
    }
    if (callback) callback->Begin(0, blockCount);

    bool cancelled = false;
    uint64_t remaining = m_sectorCount;
    uint64_t current = m_firstSector;
    for (uint64_t i = 0; i < blockCount; ++i) {
        if (callback && callback->IsCancelled()) {
            cancelled = true;
            break;
        }
        m_newSliceRequest = callback && callback->NewSliceRequested();
        const uint32_t n = uint32_t(std::min<uint64_t>(kBlockSectors, remaining));
        int storedSize = 0;
        if (!ReadAndStoreBlock(current, n, storedSize)) {
            FinishImage(); // best effort: keep the blocks written readable
            m_image.reset();
            return 0;
        }
        remaining -= n;
        current += n;
        if (callback) {
            callback->BlockWritten(storedSize);
            callback->StepBlock(i);
            callback->PumpMessages();
        }
    }
    if (!FinishImage()) {
        Fail(Status::WriteFailed,
             Format("The image header of %s cannot be written: %s", path.c_str(), LastErrorText().c_str()));
        m_image.reset();
        return 0;
    }
    m_image.reset();
    m_status = cancelled ? Status::Cancelled : Status::Complete;
    LogInfo("Disk image %s %s: %" PRIu64 " of %" PRIu64 " blocks, %" PRIu64 " stored bytes in %u slices", path.c_str(),
            cancelled ? "cancelled" : "written", m_blocksWritten, blockCount, m_storedBytes, m_slicesCreated);
    if (m_unreadableSectors)
        LogError("Disk image %s: %" PRIu64 " unreadable source sectors were stored as zeros", path.c_str(),
                 m_unreadableSectors);
    return 1;
}

bool CCompressController::CreateImage()
{
    const std::string path = CurrentImagePath();
    m_image = std::make_unique<CImageFile>(path);
    if (!m_image->Open(CFileHandle::kCreateAlways))
        return Fail(Status::CannotCreate,
                    Format("The image file %s cannot be created: %s", path.c_str(), LastErrorText().c_str()));
    if (!m_image->WriteHeader(m_sourceName, m_heads, m_compressor ? m_kind : 0, int(m_sectorSize)))
        return Fail(Status::WriteFailed,
                    Format("The image file %s cannot be written: %s", path.c_str(), LastErrorText().c_str()));
    if (!m_image->OpenSliceList(CFileHandle::kCreateAlways))
        return Fail(Status::CannotCreate, Format("The slice list %s cannot be created: %s",
                                                 MakeSliceListPath(path).c_str(), LastErrorText().c_str()));
    if (!m_image->OpenSlice(path, 0, CFileHandle::kCreateAlways))
        return Fail(Status::CannotCreate, Format("The slice %s cannot be created: %s", MakeSlicePath(path, 0).c_str(),
                                                 LastErrorText().c_str()));
    m_slicesCreated = 1;
    m_slicePending = true;
    return true;
}

bool CCompressController::ReadAndStoreBlock(uint64_t firstSector, uint32_t sectors, int& storedSize)
{
    ReadBlock(firstSector, sectors);
    const uint32_t length = sectors * m_sectorSize;
    const uint32_t stored = CompressBlock(length);
    const uint8_t* data = stored ? m_output.data() : m_input.data();
    const uint32_t size = stored ? stored : length;
    storedSize = int(size);
    return WriteBlock(data, size);
}

void CCompressController::ReadBlock(uint64_t firstSector, uint32_t sectors)
{
    uint8_t* buffer = m_input.data();
    {
        // The sectors the source gave as zeros ("Ignore bad sectors" makes that a success, otherwise the others
        // are read all the same) are counted exactly.
        CReadLossScope loss;
        const bool ok = m_source->ReadSectors(buffer, firstSector, sectors);
        if (!loss.Empty()) {
            const uint64_t bytes = uint64_t(sectors) * m_sectorSize;
            const uint64_t lost = loss.LostBytesIn(buffer, size_t(bytes), size_t(bytes));
            const uint64_t bad = (lost + m_sectorSize - 1) / m_sectorSize;
            m_unreadableSectors += bad;
            LogError("Disk image: %" PRIu64 " of %u source sectors from sector %" PRIu64
                     " cannot be read; stored as zeros",
                     bad, sectors, firstSector);
            return;
        }
        if (ok) return;
    }
    // Sector by sector, so that the readable sectors around a bad one still reach the image and the bad
    // ones are counted exactly.
    uint32_t bad = 0;
    for (uint32_t k = 0; k < sectors; ++k) {
        uint8_t* sector = buffer + uint64_t(k) * m_sectorSize;
        if (!m_source->ReadSectors(sector, firstSector + k, 1)) {
            std::memset(sector, 0, m_sectorSize);
            ++bad;
        }
    }
    if (bad) {
        m_unreadableSectors += bad;
        LogError("Disk image: %u of %u source sectors from sector %" PRIu64 " cannot be read; stored as zeros", bad,
                 sectors, firstSector);
    }
}

uint32_t CCompressController::CompressBlock(uint32_t length)
{
    if (!m_compressor) return 0;
    // A codec failure or a stream that would not fit leaves the block stored as read; the reader takes a
    // block that does not decode as its raw bytes.
    const int produced = ::CompressBlock(*m_compressor, m_input.data(), int(length), m_output.data(),
                                         int(m_output.size()), m_level, kDictionarySize);
    return produced > 0 ? uint32_t(produced) : 0;
}

bool CCompressController::WriteBlock(const uint8_t* data, uint32_t size)
{
    // A slice file (head and blocks) stays below the limit; a block that alone would not fit still gets a
    // slice of its own rather than an endless run of empty ones.
    const bool full = m_blocksInSlice > 0 && m_sliceBytes + size + kSliceHead >= m_sliceLimitBytes;
    if (m_newSliceRequest || full) {
        if (!StartNewSlice()) return false;
    }
    m_newSliceRequest = false;
    const uint64_t end = m_sliceBytes + size;
    if (end > UINT32_MAX) return Fail(Status::SliceLimit, "A slice would hold more than 4 GiB of stored blocks.");
    if (!m_image->WriteAt(data, kSliceHead + m_sliceBytes, size, CImageFile::kSliceFile))
        return Fail(Status::WriteFailed,
                    Format("Writing block %" PRIu64 " to %s failed: %s; the image is incomplete.", m_blocksWritten,
                           m_image->GetOpenSlicePath().c_str(), LastErrorText().c_str()));
    uint8_t word[4];
    bytes::ByteWriter(word).u32le(0, uint32_t(end));
    if (!m_image->WriteAt(word, kHeaderSize + 4 * m_blocksWritten, 4, CImageFile::kImageFile))
        return Fail(Status::WriteFailed,
                    Format("Writing the index of block %" PRIu64 " to %s failed: %s; the image is incomplete.",
                           m_blocksWritten, m_image->GetPath().c_str(), LastErrorText().c_str()));
    ++m_blocksInSlice;
    ++m_blocksWritten;
    m_storedBytes += size;
    m_sliceBytes = end;
    return true;
}

bool CCompressController::StartNewSlice()
{
    if (m_slicesCreated >= kMaxSlices)
        return Fail(Status::SliceLimit, Format("The image would need more than %u slices; a larger slice size "
                                               "is needed for this source.",
                                               kMaxSlices));
    if (!m_image->SetSliceEntry(m_slicesCreated, m_blocksInSlice))
        return Fail(Status::WriteFailed, Format("The image header of %s cannot be written: %s",
                                                m_image->GetPath().c_str(), LastErrorText().c_str()));
    m_slicePending = false;
    m_image->CloseSlice();
    const std::string naming = CurrentImagePath();
    if (!m_image->OpenSlice(naming, m_slicesCreated, CFileHandle::kCreateAlways))
        return Fail(Status::CannotCreate,
                    Format("The slice %s cannot be created: %s", MakeSlicePath(naming, m_slicesCreated).c_str(),
                           LastErrorText().c_str()));
    ++m_slicesCreated;
    m_blocksInSlice = 0;
    m_sliceBytes = 0;
    m_slicePending = true;
    return true;
}

bool CCompressController::FinishImage()
{
    if (!m_image || !m_slicePending) return true;
    m_slicePending = false;
    return m_image->SetSliceEntry(m_slicesCreated, m_blocksInSlice);
}
