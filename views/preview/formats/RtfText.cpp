// The rich-text reader.
#include "views/preview/formats/RtfText.h"

#include "core/bytes/ByteReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

constexpr size_t kMaxDepth = 200;
constexpr int kMaxParam = 1 << 20;

// Windows-1252 positions 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                      0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Destinations whose text is not part of the document's body.
constexpr const char* kSkipped[] = {"fonttbl",   "colortbl",     "stylesheet", "info",
                                    "pict",      "object",       "header",     "footer",
                                    "headerl",   "headerr",      "headerf",    "footerl",
                                    "footerr",   "footerf",      "listtable",  "listoverridetable",
                                    "rsidtbl",   "generator",    "themedata",  "colorschememapping",
                                    "datastore", "latentstyles", "xmlnstbl",   "fldinst",
                                    "filetbl",   "revtbl",       "pgdsctbl",   "footnote",
                                    "bkmkstart", "bkmkend"};

void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | c >> 6));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | c >> 12));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | c >> 18));
        out.push_back(char(0x80 | (c >> 12 & 0x3F)));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

uint32_t FromCp1252(uint8_t b)
{
    return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
}

int HexValue(uint8_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The Windows code pages a document may name with \ansicpg, as the system's converter calls them. Others
// keep Windows-1252.
const char* CodePageName(int cp)
{
    switch (cp) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    default: return nullptr;
    }
}

// The lead bytes of the double-byte code pages; a lead byte waits for the byte after it.
bool IsLeadByte(int cp, uint8_t b)
{
    switch (cp) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

// Bytes of a code page to code points through the C library's converter.
class CodePageDecoder {
public:
    CodePageDecoder() = default;
    ~CodePageDecoder() { Close(); }
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // False (and Windows-1252 stays) when the converter does not know the code page.
    bool Open(const char* name)
    {
        Close();
        m_cd = iconv_open("UTF-32LE", name);
        return m_cd != reinterpret_cast<iconv_t>(-1);
    }
    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Every byte ends up as a character: a sequence the code page does not have gives U+FFFD per byte.
    template <typename Emit>
    void Decode(const std::string& bytes, Emit emit)
    {
        std::string in = bytes;
        char* src = in.data();
        size_t left = in.size();
        while (left > 0) {
            std::array<char, 256> out{};
            char* dst = out.data();
            size_t room = out.size();
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            const size_t r = iconv(m_cd, &src, &left, &dst, &room);
            const int error = r == size_t(-1) ? errno : 0;
            for (const char* q = out.data(); q + 4 <= dst; q += 4) {
                uint32_t c = 0;
                std::memcpy(&c, q, 4);
                emit(c);
            }
            if (error == EILSEQ || error == EINVAL) {
                emit(0xFFFD);
                ++src;
                --left;
            } else if (error != 0 && error != E2BIG) {
                break;
            }
        }
    }

private:
    void Close()
    {
        if (IsOpen()) iconv_close(m_cd);
        m_cd = reinterpret_cast<iconv_t>(-1);
    }
    iconv_t m_cd = reinterpret_cast<iconv_t>(-1);
};

struct State {
    bool bold = false, italic = false, underline = false;
    bool skip = false;
    int unicodeSkip = 1;
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> data) : m_r(data) {}

    RtfDocument Run()
    {
        m_doc.paragraphs.emplace_back();
        const size_t n = m_r.size();
        while (m_pos < n) {
            const uint8_t c = m_r.u8(m_pos++);
            if (c == '{') {
                FlushBytes();
                m_stack.push_back(m_state);
                if (m_stack.size() > kMaxDepth) m_state.skip = true;
                m_groupStart = true;
            } else if (c == '}') {
                FlushBytes();
                if (!m_stack.empty()) {
                    m_state = m_stack.back();
                    m_stack.pop_back();
                }
                m_groupStart = false;
            } else if (c == '\\') {
                ControlSymbolOrWord();
                continue; // m_groupStart is handled there
            } else if (c < 0x20 && c != '\t') {
                continue; // line breaks of the file itself and other control bytes show nothing
            } else {
                // An 8-bit byte is text in the document's code page, and so is the byte after a lead byte.
                if (c >= 0x80 || WaitingForTrailByte())
                    Byte(c);
                else
                    Char(c);
                m_groupStart = false;
            }
        }
        FlushBytes();
        // A last empty paragraph left by a final \par is not shown.
        if (m_doc.paragraphs.size() > 1 && m_doc.paragraphs.back().runs.empty()) m_doc.paragraphs.pop_back();
        return std::move(m_doc);
    }

private:
    void ControlSymbolOrWord()
    {
        const size_t n = m_r.size();
        if (m_pos >= n) return;
        const uint8_t c = m_r.u8(m_pos);
        const bool atGroupStart = m_groupStart;
        m_groupStart = false;
        if (!IsLetter(c)) {
            ++m_pos;
            switch (c) {
            case '\'': {
                const int hi = m_pos < n ? HexValue(m_r.u8(m_pos)) : -1;
                const int lo = m_pos + 1 < n ? HexValue(m_r.u8(m_pos + 1)) : -1;
                if (hi >= 0 && lo >= 0) {
                    m_pos += 2;
                    Byte(uint8_t(hi << 4 | lo));
                }
                break;
            }
            case '*':
                if (atGroupStart) m_state.skip = true; // an ignorable destination this reader does not know
                break;
            case '~': Char(0xA0); break;
            case '_': Char(0x2011); break;
            case '\\':
            case '{':
            case '}': Char(c); break;
            case '\r':
            case '\n': Paragraph(); break;
            default: break; // \- and other symbols show nothing
            }
            return;
        }
        std::string word;
        while (m_pos < n && IsLetter(m_r.u8(m_pos)) && word.size() < 32) word.push_back(char(m_r.u8(m_pos++)));
        while (m_pos < n && IsLetter(m_r.u8(m_pos))) ++m_pos; // an overlong word is cut, its rest dropped
        bool hasParam = false;
        bool negative = false;
        int param = 0;
        if (m_pos < n && m_r.u8(m_pos) == '-') {
            negative = true;
            ++m_pos;
        }
        while (m_pos < n && m_r.u8(m_pos) >= '0' && m_r.u8(m_pos) <= '9') {
            hasParam = true;
            param = std::min(kMaxParam, param * 10 + (m_r.u8(m_pos++) - '0'));
        }
        if (negative) param = -param;
        if (m_pos < n && m_r.u8(m_pos) == ' ') ++m_pos;
        Word(word, hasParam, param, atGroupStart);
    }

    void Word(const std::string& w, bool hasParam, int param, bool atGroupStart)
    {
        if (atGroupStart) {
            for (const char* d : kSkipped)
                if (w == d) {
                    m_state.skip = true;
                    return;
                }
        }
        const bool on = !hasParam || param != 0;
        if (w == "ansicpg" && hasParam) {
            SetCodePage(param);
            return;
        }
        if (w == "par" || w == "sect" || w == "page")
            Paragraph();
        else if (w == "line")
            Char(0x2028);
        else if (w == "tab")
            Char('\t');
        else if (w == "cell")
            Char('\t');
        else if (w == "row")
            Paragraph();
        else if (w == "b")
            m_state.bold = on;
        else if (w == "i")
            m_state.italic = on;
        else if (w == "ul")
            m_state.underline = on;
        else if (w == "ulnone")
            m_state.underline = false;
        else if (w == "plain")
            m_state.bold = m_state.italic = m_state.underline = false;
        else if (w == "uc")
            m_state.unicodeSkip = std::clamp(param, 0, 8);
        else if (w == "u")
            Unicode(param);
        else if (w == "emdash")
            Char(0x2014);
        else if (w == "endash")
            Char(0x2013);
        else if (w == "bullet")
            Char(0x2022);
        else if (w == "lquote")
            Char(0x2018);
        else if (w == "rquote")
            Char(0x2019);
        else if (w == "ldblquote")
            Char(0x201C);
        else if (w == "rdblquote")
            Char(0x201D);
        else if (w == "bin" && hasParam && param > 0)
            m_pos += std::min<size_t>(size_t(param), m_r.remaining(m_pos));
    }

    void Unicode(int param)
    {
        uint32_t c = uint16_t(param); // negative values stand for the upper half of UTF-16
        if (c >= 0xD800 && c < 0xDC00) {
            m_highSurrogate = c;
        } else if (c >= 0xDC00 && c < 0xE000) {
            if (m_highSurrogate) Char(0x10000 + ((m_highSurrogate - 0xD800) << 10) + (c - 0xDC00));
            m_highSurrogate = 0;
        } else if (c != 0) {
            Char(c);
        }
        // The stand-in characters that follow for readers without Unicode.
        SkipFallback(m_state.unicodeSkip);
    }

    void SkipFallback(int count)
    {
        const size_t n = m_r.size();
        while (count > 0 && m_pos < n) {
            const uint8_t c = m_r.u8(m_pos);
            if (c == '{' || c == '}') return;
            if (c == '\\') {
                if (m_pos + 1 < n && m_r.u8(m_pos + 1) == '\'') {
                    m_pos += std::min<size_t>(4, n - m_pos);
                } else {
                    // A control word counts as one character: step over it and its parameter.
                    ++m_pos;
                    while (m_pos < n && IsLetter(m_r.u8(m_pos))) ++m_pos;
                    while (m_pos < n && (m_r.u8(m_pos) == '-' || (m_r.u8(m_pos) >= '0' && m_r.u8(m_pos) <= '9')))
                        ++m_pos;
                    if (m_pos < n && m_r.u8(m_pos) == ' ') ++m_pos;
                }
            } else if (c != '\r' && c != '\n') {
                ++m_pos;
            } else {
                ++m_pos;
                continue;
            }
            --count;
        }
    }

    void SetCodePage(int cp)
    {
        FlushBytes();
        const char* name = CodePageName(cp);
        if (name && m_decoder.Open(name)) {
            m_codePage = cp;
        } else {
            m_codePage = 1252;
        }
    }

    bool WaitingForTrailByte() const { return m_pending.size() == 1 && IsLeadByte(m_codePage, uint8_t(m_pending[0])); }

    // One byte of text in the document's code page (from \'hh or the file itself).
    void Byte(uint8_t b)
    {
        if (m_state.skip) return;
        if (m_codePage == 1252 || !m_decoder.IsOpen()) {
            Char(FromCp1252(b));
            return;
        }
        m_pending.push_back(char(b));
        if (!WaitingForTrailByte()) FlushBytes();
    }

    void FlushBytes()
    {
        if (m_pending.empty()) return;
        std::string bytes;
        bytes.swap(m_pending);
        m_decoder.Decode(bytes, [this](uint32_t c) { Put(c); });
    }

    void Char(uint32_t c)
    {
        FlushBytes();
        Put(c);
    }

    void Put(uint32_t c)
    {
        if (m_state.skip) return;
        std::vector<RtfRun>& runs = m_doc.paragraphs.back().runs;
        if (runs.empty() || runs.back().bold != m_state.bold || runs.back().italic != m_state.italic ||
            runs.back().underline != m_state.underline) {
            runs.push_back({{}, m_state.bold, m_state.italic, m_state.underline});
        }
        AppendUtf8(runs.back().text, c);
    }

    void Paragraph()
    {
        FlushBytes();
        if (!m_state.skip) m_doc.paragraphs.emplace_back();
    }

    static bool IsLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    bytes::ByteReader m_r;
    size_t m_pos = 0;
    State m_state;
    std::vector<State> m_stack;
    bool m_groupStart = false;
    uint32_t m_highSurrogate = 0;
    int m_codePage = 1252;
    CodePageDecoder m_decoder;
    std::string m_pending; // bytes of the code page not yet decoded (a lead byte waiting for its trail)
    RtfDocument m_doc;
};

} // namespace

RtfDocument ParseRtf(std::span<const uint8_t> data)
{
    return Reader(data).Run();
}

bool IsRtfBytes(std::span<const uint8_t> head, std::span<const uint8_t> tail, uint64_t size)
{
    if (size <= 4) return false;
    bytes::ByteReader h(head);
    static constexpr char kStart[] = "{\\rt";
    for (unsigned i = 0; i < 4; ++i) {
        const uint8_t c = h.u8(i);
        const uint8_t want = uint8_t(kStart[i]);
        auto lower = [](uint8_t x) { return x >= 'A' && x <= 'Z' ? uint8_t(x - 'A' + 'a') : x; };
        if (lower(c) != lower(want) || !h) return false;
    }
    bytes::ByteReader t(tail);
    for (size_t i = t.size(); i-- > 0;) {
        const uint8_t c = t.u8(i);
        if (c == '\r' || c == '\n' || c == 0) continue;
        return c == '}';
    }
    return false;
}
