// The recovery-state stream over a file: the checked 132-byte header and GUID-marked sections whose
// payload is kept as written. CRSDataEx stores the payload in compressed pieces; the program uses that.
//
// Section layout (little-endian), one after another from offset 132:
//   0 marker GUID {1CB3F4EA-4305-4AB6-B4B8-244A33D913BB} (16) | 16 section GUID (16)
//   32 payload length in bytes as stored (4) | 36 payload
#pragma once

#include <cstdint>
#include <memory>

#include "core/CFileHandle.h"
#include "core/rsdata/IRSData.h"

class CRSData : public IRSData {
public:
    static constexpr int kModeRead = 0;
    static constexpr int kModeWrite = 1;
    static constexpr size_t kBufferSize = 524288;
    static constexpr size_t kSectionHeaderSize = 36;
    static constexpr uint16_t kHeaderCrcPolynomial = 0x8005;

    // mode: kModeWrite or kModeRead, for the stream's whole life.
    explicit CRSData(int mode);
    ~CRSData() override;
    CRSData(const CRSData&) = delete;
    CRSData& operator=(const CRSData&) = delete;

    // True when the header at offset 0 is whole, carries the marker, a kind of 1..4 and a matching
    // check value.
    bool IsValidFile() override;
    // A reader opens only a file whose header passes its check (version and check value). Whatever an
    // earlier file left (open section, buffered bytes, pending error) is dropped first.
    bool Open(const char* path, bool create) override;
    // Ends a section left open (a writer's buffered bytes are stored), then closes the file. Never throws.
    bool Close() override;
    bool WriteHeader(const RSHeader* header) override;
    bool ReadHeader(RSHeader* out) override;
    int GetKind() override;
    bool SetKind(int kind) override;
    bool WriteTitle(const char* title) override;
    bool ReadTitle(char* buffer, int size) override;
    bool BeginSection(const RSGuid& guid) override;
    bool EndSection() override;
    unsigned int GetSectionLength() override;
    // Exactly length bytes or code 5 (this base form never returns part of a request).
    bool Read(void* buffer, unsigned length) override;
    bool Write(const void* data, unsigned length) override;
    // Stores the buffered payload; false when nothing was buffered.
    virtual bool Flush();

    bool IsWriter() const { return m_mode == kModeWrite; }

protected:
    // Throws the pending error, if any, after clearing it.
    void ThrowPending();
    void Fail(int code)
    {
        if (m_pendingError == 0) m_pendingError = code;
    }
    // Appends bytes at the end of the open section's payload; false (and code 6 pending) on failure or
    // when the section would outgrow its 32-bit length.
    bool AppendPayload(const void* data, size_t length);
    // Reads payload bytes from the file at the given payload offset; the count actually read.
    size_t ReadPayloadAt(uint64_t payloadOffset, void* buffer, size_t length);
    bool SectionOpen() const { return m_sectionOffset >= 0; }
    // Called by EndSection after the section is closed: derived streams clear their own state.
    virtual void ResetSectionState() {}

    const int m_mode;
    CFileHandle m_file;
    std::unique_ptr<uint8_t[]> m_buffer; // kBufferSize bytes
    size_t m_bufferCount = 0;
    RSGuid m_sectionGuid;
    uint32_t m_sectionLength = 0; // stored payload bytes
    int64_t m_sectionOffset = -1; // of the open section's header; -1 when none
    uint64_t m_consumed = 0;      // payload bytes taken from the file so far (reader)
    int m_pendingError = 0;

private:
    bool ReadHeaderBytes(uint8_t out[RSHeader::kSize]);
    bool WriteSectionHeader();
    void ResetAll();
};
