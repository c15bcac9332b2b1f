// The Text tab of the preview dialog: the file as lines broken at line feeds and after at most 160 bytes,
// never inside a UTF-8 character. Lines are shown as UTF-8, or byte by byte as Latin-1 when a line is not
// valid UTF-8; control bytes show as spaces.
#pragma once

#include "views/preview/CFilePreViewEdit.h"

#include <vector>

class CTextFilePreViewEdit : public CFilePreViewEdit {
    Q_OBJECT
public:
    static constexpr uint32_t kMaxLineBytes = 160;

    explicit CTextFilePreViewEdit(QWidget* parent = nullptr);
    ~CTextFilePreViewEdit() override;

    uint32_t LineFromOffset(uint32_t offset) const override;
    uint32_t OffsetFromLine(uint32_t line) const override;
    // Each line's bytes with every byte below 32 turned into a space, followed by "\t\r\n".
    std::string GetPageText(uint32_t firstLine) override;
    // One offset per line start, then the end of the last line.
    const std::vector<uint32_t>& LineStarts() const { return m_lineStarts; }

protected:
    bool LoadFile() override;
    QString ToDisplay(const std::string& page) const override;

private:
    void BuildLineTable();

    std::vector<uint32_t> m_lineStarts;
};
