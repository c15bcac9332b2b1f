// The text view.
#include "views/preview/CTextFilePreViewEdit.h"

#include <QStringDecoder>

namespace {

bool IsContinuation(uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

} // namespace

CTextFilePreViewEdit::CTextFilePreViewEdit(QWidget* parent) : CFilePreViewEdit(parent) {}

CTextFilePreViewEdit::~CTextFilePreViewEdit() = default;

bool CTextFilePreViewEdit::LoadFile()
{
    m_lineStarts.clear();
    if (!LoadBase()) return false;
    BuildLineTable();
    SetLineCount(m_lineStarts.empty() ? 0 : uint32_t(m_lineStarts.size() - 1));
    UpdateLinesPerPage();
    return true;
}

void CTextFilePreViewEdit::BuildLineTable()
{
    // The first line holds at most 160 bytes, every later one at most 159 before a forced break (the
    // previous line's last byte counts in the length), as the view has always broken long lines.
    m_lineStarts.push_back(0);
    const uint32_t size = GetFileSize();
    uint32_t previousLast = 0;
    for (uint32_t i = 0; size > 0 && i < size - 1; ++i) {
        const uint8_t* b = ReadWindow(i, 1);
        if (!b) break;
        const uint8_t byte = *b;
        if (i - previousLast + 1 == kMaxLineBytes) {
            // A break must not cut a UTF-8 character: when the next byte continues one that starts within
            // this line, the line ends before that character's first byte.
            uint32_t next = i + 1;
            int steps = 0;
            while (steps < 3 && next > previousLast + 1) {
                const uint8_t* n = ReadWindow(next, 1);
                if (!n || !IsContinuation(*n)) break;
                --next;
                ++steps;
            }
            if (steps > 0) {
                const uint8_t* lead = ReadWindow(next, 1);
                if (lead && *lead >= 0xC0) i = next - 1;
            }
            previousLast = i;
            m_lineStarts.push_back(i + 1);
        } else if (byte == '\n') {
            previousLast = i;
            m_lineStarts.push_back(i + 1);
        }
    }
    if (m_lineStarts.back() < size) m_lineStarts.push_back(size);
}

uint32_t CTextFilePreViewEdit::LineFromOffset(uint32_t offset) const
{
    if (offset >= GetFileSize() || m_lineStarts.empty()) return 0;
    uint32_t lo = 0;
    uint32_t hi = GetLineCount();
    while (hi - lo > 1) {
        const uint32_t mid = (hi + lo) / 2;
        if (offset < m_lineStarts[mid])
            hi = mid;
        else
            lo = mid;
    }
    return lo;
}

uint32_t CTextFilePreViewEdit::OffsetFromLine(uint32_t line) const
{
    return line < GetLineCount() && !m_lineStarts.empty() ? m_lineStarts[line] : 0;
}

std::string CTextFilePreViewEdit::GetPageText(uint32_t firstLine)
{
    std::string text;
    const auto [first, last] = PageBounds(firstLine);
    for (uint32_t i = first; i < last; ++i) {
        const uint32_t start = m_lineStarts[i];
        const uint32_t length = m_lineStarts[i + 1] - start;
        const uint8_t* bytes = ReadWindow(start, length);
        if (!bytes) continue;
        std::string line(reinterpret_cast<const char*>(bytes), length);
        // Tab, line feed, carriage return and the other control bytes (0x1E and 0x1F too) become spaces.
        for (char& c : line)
            if (uint8_t(c) < 32) c = ' ';
        text += line + "\t\r\n";
    }
    return text;
}

QString CTextFilePreViewEdit::ToDisplay(const std::string& page) const
{
    QString out;
    size_t pos = 0;
    while (pos < page.size()) {
        size_t end = page.find("\t\r\n", pos);
        if (end == std::string::npos) end = page.size();
        const QByteArray line = QByteArray::fromRawData(page.data() + pos, qsizetype(end - pos));
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString decoded = utf8.decode(line);
        if (utf8.hasError()) decoded = QString::fromLatin1(line);
        if (!out.isEmpty() || pos > 0) out += QLatin1Char('\n');
        out += decoded;
        pos = end + 3;
    }
    return out;
}
