// The exported recovery state (".rsf"): one container of the wizard-state files of the state folder, made
// by the export command of the found-file page and unpacked by the import command of the device pages.
//
// Container layout (little-endian):
//   0 magic "CMBK" (4) | 4 checksum (4) | 8 version, 5800 (4) | 12 reserved 0 (4)
//   16 total size: data offset of the first file plus the sizes of all files (8) | 24 entry count n (8)
//   32 n entries of 280 bytes: file name (260, zero-terminated, a bare name) | reserved (4) | size (8) | offset (8)
//   32 + 280 n: 280 reserved zero bytes | 312 + 280 n: the files' bytes in entry order, without gaps
// Checksum: the wrapping 32-bit sum of CRC-32 values (polynomial 0x1770, MSB first, initial 0, no final
// XOR): one over the first 312 + 280 n bytes with the checksum field 0, then one over every piece of at
// most 4096 bytes of each file, in order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

struct MBKEntry {
    std::string name;
    uint64_t size = 0;
    uint64_t offset = 0;
};

// What the block at the start of a container says, decoded and checked on its own.
struct MBKBlock {
    enum Status { kOk, kBadMagic, kBadCount, kBadEntry, kShort };

    uint32_t checksum = 0;
    uint32_t version = 0;
    uint64_t totalSize = 0;
    std::vector<MBKEntry> entries;
};

// Runs on the user-interface thread; one archive object per export or import.
class CMBKArchive {
public:
    static constexpr size_t kHeadSize = 32;
    static constexpr size_t kEntrySize = 280;
    static constexpr size_t kNameSize = 260;
    static constexpr size_t kMaxEntries = 10;
    static constexpr size_t kPieceSize = 4096;
    static constexpr uint32_t kVersion = 5800;
    static constexpr uint32_t kCrcPolynomial = 0x1770;
    // "The imported file (rsf) does not match the current version. ..."
    static constexpr unsigned kMismatchMessage = 61239;

    // Shows a message (a string id) to the user, owned by the caller's window.
    using MessageSink = std::function<void(unsigned stringId)>;

    // scan: list the state folder's "*.rdf" files at once. The folder is the program's state folder until
    // ScanFolder or SetFolder names another.
    explicit CMBKArchive(bool scan, MessageSink sink = {});

    // Lists the regular files "*.rdf" of the folder (name order) as the entries, with their sizes and
    // offsets; the folder becomes the one that Pack reads and Unpack writes. False when it cannot be listed.
    bool ScanFolder(const std::filesystem::path& folder);
    void SetFolder(const std::filesystem::path& folder) { m_folder = folder; }

    // Writes the container at path: under a temporary name beside it, renamed over path only when whole.
    // Each file is copied for exactly the size listed. False, and path untouched, on any failure (more than
    // 10 files, a file that is missing or shorter than listed, a write that fails).
    bool Pack(const char* path);
    // Checks the whole container first (head, names, bounds, checksum), then writes each file under a
    // temporary name in the folder and renames them all over the folder's files only when every one is
    // whole. A damaged container shows the mismatch message; nothing in the folder changes on failure.
    bool Unpack(const char* path);

    const std::vector<MBKEntry>& GetEntries() const { return m_entries; }
    uint64_t GetTotalSize() const { return m_totalSize; }

    // Bytes before the files' data for n entries.
    static constexpr uint64_t BlockSize(uint64_t n) { return kHeadSize + kEntrySize * n + kEntrySize; }
    // A name Unpack accepts: a bare file name ending in ".rdf" (any case), no folder part, no control bytes.
    static bool IsStateFileName(const std::string& name);
    // The stored block for the entries (checksum field as given).
    static std::vector<uint8_t> EncodeBlock(const std::vector<MBKEntry>& entries, uint64_t totalSize,
                                            uint32_t checksum);
    // Decodes the block: first the 312 bytes that hold the count (kShort when fewer, kBadMagic, kBadCount
    // above 10), then the entries when bytes holds the whole block (kShort otherwise). kBadEntry for a name
    // not terminated within 260 bytes or not a state-file name, a name listed twice, or a file whose bytes do
    // not lie between the end of the block and the total size.
    static MBKBlock::Status DecodeBlock(std::span<const uint8_t> bytes, MBKBlock& block);

private:
    void Tell(unsigned stringId) const
    {
        if (m_sink) m_sink(stringId);
    }

    MessageSink m_sink;
    std::filesystem::path m_folder;
    std::vector<MBKEntry> m_entries;
    uint64_t m_totalSize = 0;
};
