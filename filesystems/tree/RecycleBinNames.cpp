// Pairing of recycle-bin data and information files, and the original name read from the latter.
#include "filesystems/tree/RecycleBinNames.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/IFileProperties.h"

#include <array>
#include <cstring>
#include <strings.h>

namespace {

constexpr size_t kInfoUnits = 512;

const char* NameOf(const CFileNode* node)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    return p ? p->GetName() : nullptr;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD without swallowing what follows.
std::string Utf16ToUtf8(const uint16_t* units, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

// A name that saving may use as it stands: one path component that stays inside its folder.
bool IsSafeFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    }
    return true;
}

} // namespace

bool IsRecycleBinFolder(const CFileNode* node)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    if (!p || !(p->GetAttributes() & kFileAttrDirectory)) return false;
    const char* name = p->GetName();
    if (!name) return false;
    for (const char* folder : {"Recycler", "Recycled", "$Recycle.Bin", "$RECYCLE.BI0"}) {
        if (strcasecmp(name, folder) == 0) return true;
    }
    return false;
}

bool IsInRecycleBin(const CFileNode* node)
{
    for (const CFileNode* n = node; n; n = n->GetParent()) {
        if (IsRecycleBinFolder(n)) return true;
    }
    return false;
}

bool IsRecycleInfoFile(const CFileNode* node)
{
    const char* name = NameOf(node);
    if (!name || std::strlen(name) < 2) return false;
    return (name[0] == '#' || name[0] == '$') && name[1] == 'I';
}

CFileNode* FindRecyclePartner(RecyclePendingList& pending, CFileNode* node)
{
    const char* name = NameOf(node);
    if (!node || pending.empty() || !name || std::strlen(name) < 2) {
        if (node) pending.push_back(node);
        return nullptr;
    }
    const bool nodeIsInfo = IsRecycleInfoFile(node);
    const char letter = nodeIsInfo ? 'I' : 'R';
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        const char* other = NameOf(*it);
        if (!other || std::strlen(other) < 2) continue;
        // Two data files, or two information files, are never partners.
        if (IsRecycleInfoFile(*it) == nodeIsInfo) continue;
        std::string candidate = other;
        candidate[1] = letter;
        if (strcasecmp(candidate.c_str(), name) == 0) {
            CFileNode* partner = *it;
            pending.erase(it);
            return partner;
        }
    }
    pending.push_back(node);
    return nullptr;
}

std::string RecycleNameFromInfo(const uint8_t* bytes, size_t count)
{
    std::array<uint16_t, kInfoUnits> units{};
    const size_t available = bytes ? std::min(count / 2, kInfoUnits) : 0;
    bytes::ByteReader r(bytes, 2 * available);
    for (size_t i = 0; i < available; ++i) units[i] = r.u16le(2 * i);

    size_t slash = kInfoUnits;
    for (size_t i = kInfoUnits; i-- > 0;) {
        if (units[i] == '\\') {
            slash = i;
            break;
        }
    }
    if (slash == kInfoUnits) return {};
    // The buffer's last unit ends the name whatever it holds.
    size_t end = slash + 1;
    while (end < kInfoUnits - 1 && units[end] != 0) ++end;

    bool drivePrefix = false;
    for (size_t i = 0; i + 1 <= slash && !drivePrefix; ++i) drivePrefix = units[i] == ':' && units[i + 1] == '\\';
    if (!drivePrefix) return {};

    std::string name = Utf16ToUtf8(units.data() + slash + 1, end - slash - 1);
    return IsSafeFileName(name) ? name : std::string();
}

void ApplyRecycleInfo(IStorageDevice* device, CFileNode* dataNode, CFileNode* infoNode)
{
    if (!device || !dataNode || !infoNode || !dataNode->GetProperties()) return;
    CFoundFileReader reader;
    if (!reader.Open(device, infoNode)) return;
    uint8_t bytes[2 * kInfoUnits] = {};
    uint32_t got = 0;
    if (!reader.ReadAt(0, bytes, sizeof bytes, got) || got == 0) return;
    const std::string name = RecycleNameFromInfo(bytes, got);
    if (!name.empty()) dataNode->GetProperties()->SetName(name.c_str());
}
