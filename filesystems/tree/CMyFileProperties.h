// Plain properties: one record that its creator fills and hands over whole. Used by the synthetic root
// "Root" of every result tree; they have no runs and are not part of a recovery state.
#pragma once

#include "filesystems/tree/IFileProperties.h"

#include <cstdint>
#include <string>

struct MyFilePropertiesRecord {
    static constexpr int kNameCapacity = 260;

    char name[kNameCapacity] = {}; // zero-terminated
    int32_t nameLength = 0;
    uint64_t size = 0;
    uint32_t attributes = 0; // GetAttributes returns the low 16 bits
    std::string description;
    FILETIME creationTime = 0;
    FILETIME modificationTime = 0;
    FILETIME accessTime = 0;
    uint16_t state = 0;
    uint8_t checkState = 0;
    int32_t userFlag = 0;
    int32_t validMask = 0;
};

class CMyFileProperties : public IFileProperties {
public:
    CMyFileProperties() = default;

    int GetNameLength() const override { return m_record.nameLength; }
    // Null is ignored; otherwise cut to 259 bytes on a character boundary. The name length stays.
    void SetName(const char* name) override;
    const char* GetName() const override { return m_record.name; }
    uint64_t GetSize() const override { return m_record.size; }
    uint16_t GetAttributes() const override { return uint16_t(m_record.attributes); }
    std::string GetDescription() const override { return m_record.description; }
    FILETIME GetCreationTime() const override { return m_record.creationTime; }
    FILETIME GetModificationTime() const override { return m_record.modificationTime; }
    FILETIME GetAccessTime() const override { return m_record.accessTime; }
    uint16_t GetState() const override { return m_record.state; }
    uint8_t GetCheckState() const override { return m_record.checkState; }
    void SetCheckState(uint8_t state) override { m_record.checkState = state; }
    IDataRunList* GetDataRunList() const override { return nullptr; }
    int GetValidMask() const override { return m_record.validMask; }
    int GetUserFlag() const override { return m_record.userFlag; }
    int SetUserFlag(int flag) override;
    // Plain properties store nothing: both return 0 and leave the stream untouched.
    int Write(IRSData*) const override { return 0; }
    int GetPropertiesType() const override { return kPropertiesPlain; }
    int Read(IRSData*) override { return 0; }

    void SetRecord(const MyFilePropertiesRecord& record) { m_record = record; }
    const MyFilePropertiesRecord& GetRecord() const { return m_record; }

private:
    MyFilePropertiesRecord m_record;
};

CMyFileProperties* NewMyFileProperties();
