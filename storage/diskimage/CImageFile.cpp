// The image container: header fields, block locations, slice creation and the slice list.
#include "storage/diskimage/CImageFile.h"

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "platform/Errors.h"
#include "platform/FdIo.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

using namespace diskimage;

CImageFile::CImageFile(std::string imagePath) : m_path(std::move(imagePath)) {}

CImageFile::~CImageFile()
{
    m_list.Close();
    m_image.Close();
    m_slice.Close();
}

bool CImageFile::Open(unsigned mode)
{
    m_sectorSize = -1;
    if (!m_image.Open(m_path.c_str(), mode)) return false;
    if (mode == CFileHandle::kCreateAlways) {
        const std::array<uint8_t, kHeaderSize> zero{};
        return m_image.Write(zero.data(), kHeaderSize);
    }
    return true;
}

bool CImageFile::OpenSliceList(unsigned mode)
{
    return m_list.Open(MakeSliceListPath(m_path).c_str(), mode);
}

bool CImageFile::OpenSlice(const std::string& namingPath, uint32_t sliceIndex, unsigned mode)
{
    if (mode == CFileHandle::kCreateAlways) {
        if (!m_list.IsOpen()) {
            plat::SetLastError(plat::kErrInvalidHandle);
            return false;
        }
        m_slice.Close();
        m_openSlice = -1;
        m_openSlicePath.clear();
        const std::string path = MakeSlicePath(namingPath, sliceIndex);
        if (!m_slice.Open(path.c_str(), mode)) return false;
        // The list names every slice by its full path, so the image reads the same from any folder.
        std::error_code ec;
        const std::string listed = std::filesystem::absolute(path, ec).lexically_normal().string();
        const std::string& line = ec ? path : listed;
        if (!m_list.WriteLine(line.data(), uint32_t(line.size()))) return false;
        m_openSlice = int(sliceIndex);
        m_openSlicePath = path;
        return true;
    }
    if (m_openSlice >= 0 && uint32_t(m_openSlice) == sliceIndex && m_slice.IsOpen()) return true;
    m_slice.Close();
    m_openSlice = -1;
    m_openSlicePath.clear();
    if (m_listLines.size() <= sliceIndex && !LoadSliceList(sliceIndex + 1)) return false;
    if (!m_slice.Open(m_listLines[sliceIndex].c_str(), mode)) return false;
    m_openSlice = int(sliceIndex);
    m_openSlicePath = m_listLines[sliceIndex];
    return true;
}

void CImageFile::CloseSlice()
{
    m_slice.Close();
    m_openSlice = -1;
    m_openSlicePath.clear();
}

bool CImageFile::LoadSliceList(uint32_t wanted, std::vector<std::string>* lines)
{
    CFileHandle list(MakeSliceListPath(m_path).c_str(), CFileHandle::kRead);
    if (!list.IsOpen()) return false;
    std::vector<std::string> found;
    std::string line;
    std::array<char, 65536> chunk;
    bool ok = true;
    while (found.size() < wanted) {
        const uint32_t got = list.Read(chunk.data(), uint32_t(chunk.size()));
        for (uint32_t i = 0; i < got && found.size() < wanted; ++i) {
            line.push_back(chunk[i]);
            if (chunk[i] == '\n') {
                while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
                found.push_back(std::move(line));
                line.clear();
            } else if (line.size() > kMaxListLine) {
                ok = false;
                break;
            }
        }
        if (!ok || got < chunk.size()) break;
    }
    // The last line may lack its line end.
    if (ok && found.size() < wanted && !line.empty()) {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        found.push_back(std::move(line));
    }
    if (!ok || found.size() < wanted) {
        plat::SetLastError(plat::kErrInvalidData);
        return false;
    }
    m_listLines = found;
    if (lines) *lines = std::move(found);
    return true;
}

bool CImageFile::ReadHeader(ImageHeader& header)
{
    std::array<uint8_t, kHeaderSize> bytes;
    if (!ReadAt(bytes.data(), 0, kHeaderSize, kImageFile)) return false;
    header = DecodeImageHeader(bytes);
    return true;
}

bool CImageFile::WriteHeader(const std::string& sourceName, int heads, int kind, int sectorSize)
{
    std::array<uint8_t, kHeaderSize> bytes;
    ImageHeader header;
    if (ReadAt(bytes.data(), 0, kHeaderSize, kImageFile)) header = DecodeImageHeader(bytes);
    header.sourceName = sourceName;
    header.sectorSize = uint32_t(sectorSize);
    header.kind = uint32_t(kind);
    header.heads = uint32_t(heads);
    EncodeImageHeader(header, bytes);
    m_sectorSize = -1;
    return WriteAt(bytes.data(), 0, kHeaderSize, kImageFile);
}

bool CImageFile::SetSliceEntry(uint32_t sliceCount, uint32_t blockCount)
{
    std::array<uint8_t, kHeaderSize> bytes;
    if (!m_image.IsOpen() || !ReadAt(bytes.data(), 0, kHeaderSize, kImageFile)) return false;
    bytes::ByteReader r(bytes);
    const uint32_t index = r.u32le(kOffSliceCount);
    if (index >= kMaxSlices) {
        plat::SetLastError(plat::kErrInvalidData);
        return false;
    }
    bytes::ByteWriter w(bytes);
    w.u32le(kOffTotalBlocks, r.u32le(kOffTotalBlocks) + blockCount);
    w.u32le(kOffSliceCount, sliceCount);
    w.u32le(kOffSliceTable + 4 * index, blockCount);
    return WriteAt(bytes.data(), 0, kHeaderSize, kImageFile);
}

bool CImageFile::GetBlockLocation(uint64_t block, bool firstInSlice, uint64_t& offset, uint32_t& size, std::string* why)
{
    const uint64_t entry = kHeaderSize + 4 * block;
    uint8_t words[8];
    uint32_t start = 0;
    uint32_t end = 0;
    if (firstInSlice) {
        if (!ReadAt(words, entry, 4, kImageFile)) {
            if (why) *why = "index entry cannot be read";
            return false;
        }
        end = bytes::ByteReader(words, 4).u32le(0);
    } else {
        if (!ReadAt(words, entry - 4, 8, kImageFile)) {
            if (why) *why = "index entries cannot be read";
            return false;
        }
        bytes::ByteReader r(words, sizeof words);
        start = r.u32le(0);
        end = r.u32le(4);
    }
    if (end < start) {
        if (why) {
            char text[96];
            std::snprintf(text, sizeof text, "index end 0x%X before the previous end 0x%X", end, start);
            *why = text;
        }
        return false;
    }
    offset = uint64_t(kSliceHead) + start;
    size = end - start;
    return true;
}

int CImageFile::GetSectorSize()
{
    if (m_sectorSize > 0) return m_sectorSize;
    uint8_t word[4];
    const uint32_t stored =
        ReadAt(word, kOffSectorSize, 4, kImageFile) ? bytes::ByteReader(word, sizeof word).u32le(0) : 0;
    m_sectorSize = int(EffectiveSectorSize(stored));
    return m_sectorSize;
}

int CImageFile::GetHeaderValue()
{
    ImageHeader h;
    return ReadHeader(h) ? int(h.heads) : kDefaultHeads;
}

std::string CImageFile::ReadName()
{
    ImageHeader h;
    return ReadHeader(h) ? h.sourceName : std::string();
}

int CImageFile::GetCompressionKind()
{
    ImageHeader h;
    return ReadHeader(h) ? int(h.kind) : 0;
}

uint32_t CImageFile::GetTotalBlocks()
{
    ImageHeader h;
    return ReadHeader(h) ? h.totalBlocks : 0;
}

uint32_t CImageFile::GetSliceCount()
{
    ImageHeader h;
    return ReadHeader(h) ? h.sliceCount : 0;
}

bool CImageFile::ReadAt(void* buffer, uint64_t offset, uint32_t length, Target target)
{
    CFileHandle& file = File(target);
    if (!file.IsOpen() || offset > uint64_t(INT64_MAX) - length) {
        plat::SetLastError(plat::kErrInvalidHandle);
        return false;
    }
    const plat::FdTransfer t = plat::ReadFull(file.Descriptor(), buffer, length, int64_t(offset));
    if (t.error != 0) {
        plat::SetLastErrorFromErrno(t.error);
        return false;
    }
    if (t.done < length) {
        plat::SetLastError(plat::kErrHandleEof);
        return false;
    }
    return true;
}

bool CImageFile::WriteAt(const void* buffer, uint64_t offset, uint32_t length, Target target)
{
    CFileHandle& file = File(target);
    if (!file.IsOpen() || offset > uint64_t(INT64_MAX) - length) {
        plat::SetLastError(plat::kErrInvalidHandle);
        return false;
    }
    const plat::FdTransfer t = plat::WriteFull(file.Descriptor(), buffer, length, int64_t(offset));
    if (t.error != 0) {
        plat::SetLastErrorFromErrno(t.error);
        return false;
    }
    if (t.done < length) {
        plat::SetLastError(plat::kErrDiskFull);
        return false;
    }
    return true;
}

bool CImageFile::GetFileSize(Target target, uint64_t& size)
{
    return File(target).GetSize(size);
}
