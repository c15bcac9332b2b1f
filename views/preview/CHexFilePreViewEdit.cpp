// The hex view.
#include "views/preview/CHexFilePreViewEdit.h"

#include "controls/DialogUnits.h"

#include <QTextCursor>

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kHeader = "Offset  \t\t\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\tA\tB\tC\tD\tE\tF\r\n";

} // namespace

CHexFilePreViewEdit::CHexFilePreViewEdit(QWidget* parent) : CFilePreViewEdit(parent) {}

CHexFilePreViewEdit::~CHexFilePreViewEdit() = default;

bool CHexFilePreViewEdit::LoadFile()
{
    // One tab stop every 15 dialog units of the view's font.
    setTabStopDistance(CDialogUnits(fontMetrics().averageCharWidth(), fontMetrics().height()).ToPixelsX(15));
    if (!LoadBase()) return false;
    SetLineCount(GetFileSize() / kBytesPerLine + (GetFileSize() % kBytesPerLine ? 1 : 0));
    UpdateLinesPerPage();
    return true;
}

uint32_t CHexFilePreViewEdit::LineFromOffset(uint32_t offset) const
{
    return offset < GetFileSize() ? offset / kBytesPerLine : 0;
}

uint32_t CHexFilePreViewEdit::OffsetFromLine(uint32_t line) const
{
    return line < GetLineCount() ? line * kBytesPerLine : 0;
}

std::string CHexFilePreViewEdit::GetPageText(uint32_t firstLine)
{
    std::string text = kHeader;
    const auto [first, last] = PageBounds(firstLine);
    const uint32_t size = GetFileSize();
    char field[16];
    for (uint32_t i = first; i < last; ++i) {
        const uint32_t o = i * kBytesPerLine;
        // A full line that is not the last, else the last line (also when it holds 16 bytes).
        const bool full = size - o > kBytesPerLine;
        const uint32_t n = full ? kBytesPerLine : size - o;
        const uint8_t* bytes = ReadWindow(o, n);
        if (!bytes) continue;
        std::snprintf(field, sizeof field, "%08X\t\t", o);
        text += field;
        for (uint32_t b = 0; b < n; ++b) {
            std::snprintf(field, sizeof field, full && b + 1 == n ? "%02X" : "%02X\t", bytes[b]);
            text += field;
        }
        for (uint32_t b = n; b < kBytesPerLine; ++b) text += " \t";
        // Control bytes, 0x1E and 0x1F included, would break the line or show nothing.
        std::string chars;
        for (uint32_t b = 0; b < n; ++b) chars.push_back(bytes[b] < 32 ? '.' : char(bytes[b]));
        text += "\t\t" + chars + "\t\r\n";
    }
    return text;
}

void CHexFilePreViewEdit::UpdateLinesPerPage()
{
    CFilePreViewEdit::UpdateLinesPerPage();
    if (GetLineCount() != 0) m_linesPerPage = std::max(1, m_linesPerPage - 1); // the header line
}

QString CHexFilePreViewEdit::ToDisplay(const std::string& page) const
{
    // One character per byte keeps the character column aligned; the upper half shows as Latin-1.
    QString s = QString::fromLatin1(page.data(), qsizetype(page.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (s.endsWith(QLatin1Char('\n'))) s.chop(1);
    return s;
}

void CHexFilePreViewEdit::focusInEvent(QFocusEvent* e)
{
    CFilePreViewEdit::focusInEvent(e);
    QTextCursor c = textCursor();
    c.clearSelection();
    setTextCursor(c);
}
