// The Hex tab of the preview dialog: 16 bytes a line as offset, hex values and characters, under a header.
#pragma once

#include "views/preview/CFilePreViewEdit.h"

class CHexFilePreViewEdit : public CFilePreViewEdit {
    Q_OBJECT
public:
    static constexpr uint32_t kBytesPerLine = 16;

    explicit CHexFilePreViewEdit(QWidget* parent = nullptr);
    ~CHexFilePreViewEdit() override;

    uint32_t LineFromOffset(uint32_t offset) const override;
    uint32_t OffsetFromLine(uint32_t line) const override;
    // The header line, then per line "%08X\t\t" with the offset, the bytes "%02X" separated by tabs (the last
    // line with " \t" fillers), and "\t\t<characters>\t\r\n" where every byte below 32 shows as '.'.
    std::string GetPageText(uint32_t firstLine) override;
    void UpdateLinesPerPage() override;

protected:
    bool LoadFile() override;
    QString ToDisplay(const std::string& page) const override;
    int HeaderLines() const override { return 1; }
    void focusInEvent(QFocusEvent* e) override;
};
