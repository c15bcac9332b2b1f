// Directory-entry decoding and the entry tests shared by the FAT scanner and the directory walk.
#include "filesystems/fat/CFATDirEntry.h"

#include "core/CRecoverySettings.h"

#include <algorithm>
#include <cstring>

namespace {

bool DateFieldValid(uint16_t date)
{
    if (date == 0) return true;
    const unsigned month = (date >> 5) & 0x0F;
    const unsigned day = date & 0x1F;
    return month >= 1 && month <= 12 && day != 0;
}

bool TimeFieldValid(uint16_t time)
{
    if (time == 0) return true;
    const unsigned hours = time >> 11;
    const unsigned minutes = (time >> 5) & 0x3F;
    const unsigned twoSeconds = time & 0x1F;
    return hours < 24 && minutes < 60 && twoSeconds < 30;
}

char NameChar(uint8_t c)
{
    if (c < 0x20 || c == 0x7F || c >= 0x80 || c == '/' || c == '\\') return '_';
    return static_cast<char>(c);
}

void LowerAscii(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
}

std::string Trimmed(const uint8_t* bytes, size_t count)
{
    while (count > 0 && bytes[count - 1] == ' ') --count;
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) out.push_back(NameChar(bytes[i]));
    return out;
}

} // namespace

void CFATDirEntry::Attach(std::span<const uint8_t> entry)
{
    // A short entry keeps its bytes and zeros for the rest.
    m_bytes.fill(0);
    bytes::ByteReader(entry).copy(0, m_bytes.data(), std::min<size_t>(entry.size(), m_bytes.size()));
}

bool CFATDirEntry::AttachAndCheck(std::span<const uint8_t> entry, const FATEntryChecks& checks)
{
    Attach(entry);
    return IsValidEntry(false, checks);
}

bool CFATDirEntry::IsDotEntry() const
{
    return IsDirectory() && std::memcmp(m_bytes.data(), ".          ", 11) == 0;
}

bool CFATDirEntry::IsDotDotEntry() const
{
    return IsDirectory() && std::memcmp(m_bytes.data(), "..         ", 11) == 0;
}

uint32_t CFATDirEntry::GetFileSize() const
{
    return bytes::ByteReader(m_bytes).u32le(28);
}

std::string CFATDirEntry::GetShortName(bool noDot) const
{
    std::string name = Trimmed(m_bytes.data(), 8);
    std::string ext = Trimmed(m_bytes.data() + 8, 3);
    if (!noDot) {
        // Systems that write "readme.txt" without a long name keep the case in these two flags.
        if (m_bytes[12] & kLowerCaseBase) LowerAscii(name);
        if (m_bytes[12] & kLowerCaseExtension) LowerAscii(ext);
    }
    if (!name.empty() && m_bytes[0] == 0xE5) name[0] = '#';
    if (ext.empty()) return name;
    return noDot ? name + ext : name + "." + ext;
}

bool CFATDirEntry::NameBytesValid() const
{
    if (m_bytes[0] == ' ') return false;
    for (size_t i = 0; i < 11; ++i) {
        const uint8_t c = m_bytes[i];
        if (c >= 0x80) {
            ++i; // a double-byte character takes the byte after it along
            continue;
        }
        if (c <= 0x19) return false;
        if (std::strchr("\"*/:<>?\\|", c) != nullptr) return false;
    }
    return true;
}

bool CFATDirEntry::IsValidEntry(bool strict, const FATEntryChecks& checks) const
{
    if (IsLongNameEntry()) return true;
    if (strict) {
        const bool sizeZero = GetFileSize() == 0;
        if (IsDirectory()) {
            if (!sizeZero && GetFirstClusterHigh() != 0) return false;
        } else {
            const bool clusterZero = GetFirstCluster() == 0;
            if (sizeZero != clusterZero) return false;
        }
    }
    if (checks.checkDate) {
        if (!DateFieldValid(GetCreationDate()) || !DateFieldValid(GetModificationDate()) ||
            !DateFieldValid(GetAccessDate()))
            return false;
    }
    if (checks.checkTime) {
        if (!TimeFieldValid(GetCreationTime()) || !TimeFieldValid(GetModificationTime())) return false;
    }
    if (GetAttributes() & 0x40) return false;
    if (IsVolumeLabel()) return true;
    return NameBytesValid();
}

bool IsValidFATFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || std::strchr("?*|\\/:\"<>", c) != nullptr) return false;
    }
    return true;
}

bool IsValidFAT32Cluster(uint64_t cluster)
{
    return cluster >= 2 && cluster <= 0x0FFFFFEF;
}

FATEntryChecks FATEntryChecks::FromOptions()
{
    const CRecoverySettings* settings = GetRecoverySettings();
    return FATEntryChecks{settings->m_fatCheckDate != 0, settings->m_fatCheckTime != 0};
}

uint8_t CFATDirEntry::GetShortNameChecksum() const
{
    uint8_t sum = 0;
    for (size_t i = 0; i < 11; ++i) sum = uint8_t(((sum & 1) << 7) + (sum >> 1) + m_bytes[i]);
    return sum;
}
