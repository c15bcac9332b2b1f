// The parser of header scripts (".fhs"): a small text naming a file extension and the byte patterns a file of
// that type carries at fixed offsets of its first sector. Every line must parse or the whole script is refused.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One signature item: length bytes at offset of a sector (offset at most 496, length at most 16, so the item
// lies in the first 512 bytes).
struct CustomSignItem {
    uint32_t offset = 0;
    uint32_t length = 0;
    uint8_t bytes[260] = {};
};

// Script lines are cut at CR LF; each is "KEY: attributes" with the keys REMARK, FILEINFO (EXTNAME, and the
// optional SIZE of a file of the type, hexadecimal) and FILESIGN (OFFSET, TYPE CHAR or BYTE, VALUE).
class CScriptProcess {
public:
    static constexpr size_t kMaxScriptBytes = 1024;
    // An extension must fit a slot of the RAW type table.
    static constexpr size_t kMaxExtensionLength = 5;
    static constexpr uint32_t kMaxOffset = 0x1F0;
    static constexpr uint32_t kMaxItemLength = 16;

    CScriptProcess() = default;
    virtual ~CScriptProcess() = default;

    // Reads the script file, read-only; false (with the reason) when it cannot be opened or read.
    bool Open(const std::string& path);
    // Takes the script's bytes as they would be read from a file.
    void SetText(std::span<const uint8_t> bytes);
    void Close();
    // False when nothing is open, the script is longer than 1024 bytes, or a line does not parse; the reason
    // and the line (counted from 1; 0 for the whole script) tell why.
    bool Validate();
    // The extension of the first FILEINFO line (upper case); false when there is none.
    bool GetExtension(std::string& extension);
    // The SIZE of the first FILEINFO line; 0 when none is given.
    uint64_t GetFileSize();
    int FirstSign() const { return 0; }
    // From line index on: the next FILESIGN line parsed into item, index moved past it; false when none is left.
    bool NextSign(int& index, CustomSignItem& item);

    const std::string& GetError() const { return m_error; }
    int GetErrorLine() const { return m_errorLine; }

    // Hexadecimal "0x" followed by 1 to 8 digits (3 to 10 characters); false otherwise.
    static bool ParseHex(std::string_view text, uint32_t& value);
    // The value of an attribute in a line, by the script rules; empty when absent.
    static std::string_view GetValue(std::string_view line, std::string_view name);

private:
    bool ValidateLine(std::string_view line);
    bool ParseFileInfo(std::string_view line);
    bool ParseFileSign(std::string_view line, CustomSignItem* item);
    bool Reject(const char* reason);

    bool m_open = false;
    bool m_tooLong = false;
    std::string m_text;
    std::vector<std::string_view> m_lines;
    std::string m_error;
    int m_errorLine = 0;
};
