// Properties of a file found by its signature and of the folders the system makes itself ("Raw Files",
// its type folders, "Deleted Files"): name, size, attributes, state, a descriptive text and one packed run.
#pragma once

#include "filesystems/tree/CFoundFileProperties.h"

#include <cstdint>
#include <memory>
#include <string>

class CRawFileInfo;

// Shares the found-file fields (its times stay 0) but stores its own form.
class CRAWFileProperties : public CFoundFileProperties {
public:
    // Names and extra texts are stored with a one-byte length that counts the terminator.
    static constexpr int kMaxTextLength = 254;

    CRAWFileProperties() = default;

    // Bytes of the name including its terminator; 0 without a name.
    int GetNameLength() const override { return m_nameLength; }
    // Does nothing: RAW properties are named with SetRawFileName.
    void SetName(const char*) override {}
    std::string GetDescription() const override { return m_extraText; }
    // Name, size, attributes, creation time, state, check state and description.
    int GetValidMask() const override { return 0x1CF; }
    // Always returns 1.
    int SetUserFlag(int flag) override;
    // L (1 byte), the name with its terminator, E (1 byte), the extra text with its terminator when E > 0,
    // size (8), attributes (2), state (1), the packed runs. Check state and user flag are not stored.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesRAW; }
    int Read(IRSData* stream) override;

    // The name becomes a copy of text (cut to 254 bytes on a character boundary); null leaves no name.
    void SetRawFileName(const char* text);
    // Also sets the extra length (length + 1); cut to 254 bytes on a character boundary.
    void SetExtraText(const std::string& text);
    // Size and extra text from the hit (the extra length stays), and one run: the hit's start sector,
    // ceil(size / 512) long. Returns 1.
    int SetFromRawHit(const CRawFileInfo* hit);

private:
    uint8_t m_nameLength = 0;
    uint8_t m_extraLength = 0;
    std::string m_extraText;
};

CRAWFileProperties* CreateRAWFileProperties();
