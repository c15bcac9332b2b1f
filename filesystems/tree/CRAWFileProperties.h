// Properties of a file found by its signature and of the folders the system makes itself ("Raw Files",
// its type folders, "Deleted Files"): name, size, attributes, state, a descriptive text and one packed run.
#pragma once

#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/PackedDataRun.h"

#include <cstdint>
#include <memory>
#include <string>

class CRawFileInfo;

class CRAWFileProperties : public IFileProperties {
public:
    // Names and extra texts are stored with a one-byte length that counts the terminator.
    static constexpr int kMaxTextLength = 254;

    CRAWFileProperties() = default;

    // Bytes of the name including its terminator; 0 without a name.
    int GetNameLength() const override { return m_nameLength; }
    // Does nothing: RAW properties are named with SetRawFileName.
    void SetName(const char*) override {}
    const char* GetName() const override { return m_hasName ? m_name.c_str() : ""; }
    uint64_t GetSize() const override { return m_size; }
    uint16_t GetAttributes() const override { return m_attributes; }
    std::string GetDescription() const override { return m_extraText; }
    FILETIME GetCreationTime() const override { return 0; }
    FILETIME GetModificationTime() const override { return 0; }
    FILETIME GetAccessTime() const override { return 0; }
    uint16_t GetState() const override { return m_state; }
    uint8_t GetCheckState() const override { return m_checkState; }
    void SetCheckState(uint8_t state) override { m_checkState = state; }
    // Unpacked from the packed runs (an NTFS run-list kind); null without runs. The caller deletes it.
    IDataRunList* GetDataRunList() const override;
    // Name, size, attributes, creation time, state, check state and description.
    int GetValidMask() const override { return 0x1CF; }
    int GetUserFlag() const override { return m_userFlag; }
    int SetUserFlag(int flag) override;
    // L (1 byte), the name with its terminator, E (1 byte), the extra text with its terminator when E > 0,
    // size (8), attributes (2), state (1), the packed runs. Check state and user flag are not stored.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesRAW; }
    int Read(IRSData* stream) override;

    // The name becomes a copy of text (cut to 254 bytes on a character boundary); null leaves no name.
    void SetRawFileName(const char* text);
    void SetAttributes(uint16_t attributes) { m_attributes = attributes; }
    void SetState(uint8_t state) { m_state = state; }
    // Also sets the extra length (length + 1); cut to 254 bytes on a character boundary.
    void SetExtraText(const std::string& text);
    // Size and extra text from the hit (the extra length stays), and one run: the hit's start sector,
    // ceil(size / 512) long. Returns 1.
    int SetFromRawHit(const CRawFileInfo* hit);
    void SetSize(uint64_t size) { m_size = size; }

    const PackedDataRun* GetPackedRuns() const { return m_runs.get(); }

private:
    uint8_t m_nameLength = 0;
    std::string m_name;
    bool m_hasName = false;
    uint64_t m_size = 0;
    uint16_t m_attributes = 0;
    uint8_t m_checkState = 0;
    uint8_t m_userFlag = 0;
    uint8_t m_state = 0;
    std::string m_extraText;
    uint8_t m_extraLength = 0;
    std::unique_ptr<PackedDataRun> m_runs;
};

CRAWFileProperties* CreateRAWFileProperties();
