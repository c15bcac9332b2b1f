// One loaded header script: the extension of its file type, the size it gives such a file (0: none), and the
// signature items a sector must carry.
#pragma once

#include "raw/CScriptProcess.h"

#include <cstdint>
#include <string>
#include <vector>

class CCustomHeader {
public:
    CCustomHeader() = default;
    virtual ~CCustomHeader() = default;

    // Reads and parses the script; false (with the reason and the line) when it is refused.
    bool Load(const std::string& path);
    // The same from the script's bytes.
    bool LoadText(std::span<const uint8_t> bytes);
    // True when every item's bytes stand at its offset of the sector (512 bytes); never without items.
    bool IsMatch(const uint8_t* sector) const;

    const std::string& GetExtension() const { return m_extension; }
    uint64_t GetFileSize() const { return m_fileSize; }
    const std::vector<CustomSignItem>& GetItems() const { return m_items; }
    const std::string& GetError() const { return m_error; }
    int GetErrorLine() const { return m_errorLine; }

private:
    bool Read(CScriptProcess& script);

    std::string m_extension;
    uint64_t m_fileSize = 0;
    std::vector<CustomSignItem> m_items;
    std::string m_error;
    int m_errorLine = 0;
};
