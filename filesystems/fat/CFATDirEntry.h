// One 32-byte FAT directory entry: its kind (deleted, end marker, long-name piece, label, directory, dot
// entries), its fields, its 8.3 name and the validity tests the scanner and the directory walk apply.
#pragma once

#include "core/bytes/ByteReader.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

// Which optional field tests the entry test applies ("Check DATE/TIME field of file descriptors").
struct FATEntryChecks {
    bool checkDate = true;
    bool checkTime = true;
    // The two flags as the process-wide options hold them now.
    static FATEntryChecks FromOptions();
};

// Keeps its own copy of the entry, so it stays valid after the buffer it came from is gone. An entry
// attached from fewer than 32 bytes is zero-filled (and so reads as an end marker).
class CFATDirEntry {
public:
    CFATDirEntry() { m_bytes.fill(0); }
    explicit CFATDirEntry(std::span<const uint8_t> entry) { Attach(entry); }

    void Attach(std::span<const uint8_t> entry);
    // Attaches and answers the non-strict IsValidEntry.
    bool AttachAndCheck(std::span<const uint8_t> entry, const FATEntryChecks& checks);

    bool IsDeleted() const { return m_bytes[0] == 0xE5; }
    bool IsEndMarker() const { return m_bytes[0] == 0x00; }
    bool IsLongNameEntry() const { return m_bytes[11] == 0x0F; }
    bool IsVolumeLabel() const { return m_bytes[11] == 0x08; }
    bool IsDirectory() const { return (m_bytes[11] & 0x10) != 0; }
    bool IsDotEntry() const;
    bool IsDotDotEntry() const;

    uint8_t GetAttributes() const { return m_bytes[11]; }
    uint32_t GetFirstCluster() const { return uint32_t(u16(20)) << 16 | u16(26); }
    uint16_t GetFirstClusterHigh() const { return u16(20); }
    uint32_t GetFileSize() const;
    uint16_t GetCreationTime() const { return u16(14); }
    uint16_t GetCreationDate() const { return u16(16); }
    uint16_t GetAccessDate() const { return u16(18); }
    uint16_t GetModificationTime() const { return u16(22); }
    uint16_t GetModificationDate() const { return u16(24); }

    // The 8.3 name: name and extension without their padding, joined by a dot (or without one when noDot is
    // set, as for volume labels); a deleted entry's first character becomes '#'. Bytes that cannot stand in
    // a file name here (controls, path separators, OEM bytes of unknown code page) become '_'. Without noDot
    // the lower-case flags of byte 12 are honoured (letters A-Z only).
    std::string GetShortName(bool noDot = false) const;

    // The checksum every long-name piece of this short entry carries (over its 11 name bytes as stored).
    uint8_t GetShortNameChecksum() const;
    // A long-name piece's copy of that checksum (byte 13).
    uint8_t GetLongNameChecksum() const { return m_bytes[13]; }

    // Strict adds the size/cluster consistency tests the scanner uses to recognise directory sectors.
    bool IsValidEntry(bool strict, const FATEntryChecks& checks) const;
    bool IsValidEntry(bool strict) const { return IsValidEntry(strict, FATEntryChecks::FromOptions()); }

    const std::array<uint8_t, 32>& Bytes() const { return m_bytes; }

    // Byte 12: the base name, or the extension, was written in lower case.
    static constexpr uint8_t kLowerCaseBase = 0x08;
    static constexpr uint8_t kLowerCaseExtension = 0x10;

private:
    uint16_t u16(size_t at) const { return bytes::ByteReader(m_bytes).u16le(at); }
    bool NameBytesValid() const;

    std::array<uint8_t, 32> m_bytes;
};

// Long-name text test: false for an empty text and for any of ? * | \ / : " < >; also false for "." and
// ".." and for control characters, which would name a different place or an unusable file when saved.
bool IsValidFATFileName(const std::string& name);

// True for 2 <= cluster <= 0x0FFFFFEF.
bool IsValidFAT32Cluster(uint64_t cluster);
