// An in-memory recovery-state stream for tests: sections kept as byte vectors, the same errors as the
// file-backed stream (wrong direction 3, short read 5, section not found 7, no open section 8).
#pragma once

#include "core/rsdata/IRSData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A section GUID for tests that need just one.
inline constexpr RSGuid kTestSectionGuid{0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};

class MemoryRSData : public IRSData {
public:
    // A writer with no section open.
    MemoryRSData() = default;

    // A writer with kTestSectionGuid open.
    static MemoryRSData Writer();
    // A reader with one section holding bytes, already open.
    static MemoryRSData Reader(std::vector<uint8_t> bytes);

    // Turns a writer into a reader over what it wrote; no section is open afterwards.
    void StartReading();
    // Bytes of the first section with this GUID (empty when none).
    std::vector<uint8_t> SectionBytes(const RSGuid& guid = kTestSectionGuid) const;
    // Bytes not yet read in the open section.
    size_t Remaining() const;

    bool IsValidFile() override { return true; }
    bool Open(const char*, bool) override { return true; }
    bool Close() override { return true; }
    bool WriteHeader(const RSHeader* header) override;
    bool ReadHeader(RSHeader* out) override;
    int GetKind() override { return m_header.kind; }
    bool SetKind(int kind) override;
    bool WriteTitle(const char* title) override;
    bool ReadTitle(char* buffer, int size) override;
    bool BeginSection(const RSGuid& guid) override;
    bool EndSection() override;
    unsigned int GetSectionLength() override;
    bool Read(void* buffer, unsigned length) override;
    bool Write(const void* data, unsigned length) override;

private:
    struct Section {
        RSGuid guid;
        std::vector<uint8_t> bytes;
    };

    bool m_reading = false;
    RSHeader m_header;
    std::vector<Section> m_sections;
    int m_open = -1;
    size_t m_position = 0;
};

// Lower-case hex of the bytes, two digits each, for comparing stored forms.
std::string HexOf(const std::vector<uint8_t>& bytes);

} // namespace testsupport
