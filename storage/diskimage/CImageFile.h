// The files of one disk image: the image file (header and block index), its slice list and the slice
// currently open. Used by the image writer to create an image and by the image device to read one.
#pragma once

#include "core/CFileHandle.h"
#include "storage/diskimage/ImageFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// One per open image; not shared between threads. Every operation reports failure by its result and
// throws nothing; the reason of the last failure of a file operation is in plat::GetLastError().
class CImageFile {
public:
    enum Target { kImageFile = 0, kSliceFile = 1 };
    // Slice-list lines longer than this (path and line end) are taken as damage, not as a path.
    static constexpr size_t kMaxListLine = 4098;

    explicit CImageFile(std::string imagePath);
    ~CImageFile();
    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;

    const std::string& GetPath() const { return m_path; }

    // Opens the image file: CFileHandle::kRead for an existing image, CFileHandle::kCreateAlways to create
    // one (then a 512-byte zero header is written).
    bool Open(unsigned mode);
    bool IsOpen() const { return m_image.IsOpen(); }

    // The slice list beside the image (diskimage::MakeSliceListPath); kCreateAlways starts it empty.
    bool OpenSliceList(unsigned mode);

    // kCreateAlways: creates slice sliceIndex, named after namingPath (which differs from the image path once
    // later slices go to another folder), and appends its full path and CR LF to the open slice list.
    // Any other mode: opens the slice that line sliceIndex of the list names (nothing is done when it is
    // the open one); fails when the list has no such line. namingPath is then unused.
    bool OpenSlice(const std::string& namingPath, uint32_t sliceIndex, unsigned mode);
    void CloseSlice();
    int GetOpenSlice() const { return m_openSlice; }
    // The path of the open slice file (empty when none).
    const std::string& GetOpenSlicePath() const { return m_openSlicePath; }

    // Name (cut to 255 bytes), sector size, kind and heads into the header; the slice fields stay.
    bool WriteHeader(const std::string& sourceName, int heads, int kind, int sectorSize);
    // Records a finished slice: its index is the slice count stored so far, the stored slice count becomes
    // sliceCount and its blocks join the total. False when the header cannot be read or written, or when
    // the table is full.
    bool SetSliceEntry(uint32_t sliceCount, uint32_t blockCount);

    bool ReadHeader(diskimage::ImageHeader& header);
    // Where block b lies in its slice file. firstInSlice: b opens its slice (its stored bytes start at the
    // slice's head); otherwise they start at the end of block b - 1. False when the index cannot be read or
    // its ends go backwards; why then says so.
    bool GetBlockLocation(uint64_t block, bool firstInSlice, uint64_t& offset, uint32_t& size,
                          std::string* why = nullptr);

    // Header values with the readers' defaults when the header cannot be read.
    int GetSectorSize();       // 512 unless the stored size is a multiple of 512 in 512 .. 4096
    int GetHeaderValue();      // heads per cylinder, 255
    std::string ReadName();    // source name, empty
    int GetCompressionKind();  // 0
    uint32_t GetTotalBlocks(); // 0
    uint32_t GetSliceCount();  // 0

    // True only when all length bytes were read or written at offset.
    bool ReadAt(void* buffer, uint64_t offset, uint32_t length, Target target);
    bool WriteAt(const void* buffer, uint64_t offset, uint32_t length, Target target);
    bool GetFileSize(Target target, uint64_t& size);

    // The first `wanted` lines of the slice list, each without its trailing CR and LF; false when the list
    // cannot be read, has fewer lines or holds a line longer than kMaxListLine. Kept for later OpenSlice.
    bool LoadSliceList(uint32_t wanted, std::vector<std::string>* lines = nullptr);

private:
    CFileHandle& File(Target target) { return target == kImageFile ? m_image : m_slice; }

    std::string m_path;
    CFileHandle m_slice;
    CFileHandle m_image;
    CFileHandle m_list;
    int m_openSlice = -1;
    std::string m_openSlicePath;
    int m_sectorSize = -1;
    std::vector<std::string> m_listLines; // read once for reading slices
};
