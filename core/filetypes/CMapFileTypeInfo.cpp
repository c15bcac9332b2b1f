// Loading of the file-type catalogue from "FileFilter.xml" (element and attribute names as the
// file has always spelt them, "Extention" included) and the map's bookkeeping.
#include "core/filetypes/CMapFileTypeInfo.h"

#include "core/CMarkupMSXML.h"
#include "core/MemAlloc.h"
#include "core/filetypes/FixedText.h"
#include "platform/Folders.h"
#include "platform/Log.h"

#include <cctype>
#include <climits>
#include <string>

namespace {

constexpr int kErrBadFormat = 11;
constexpr int kErrInvalidParameter = 87;
constexpr int kErrNotFound = 1168;

void LogFailure(int line, int err)
{
    static char source[] = __FILE__;
    static const uint16_t code = FileNameToFileCode(source);
    LogError("FileNO:%X \t  Line:%d \t err:%d", code, line, err);
}

// Decimal as the catalogue writes it: leading blanks and a sign, digits up to the first other
// character; no digits give 0, values beyond int are clamped.
int ParseInt(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

std::string TrimBlanks(const std::string& text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    return text.substr(b, e - b);
}

} // namespace

std::string GetFileFilterPath()
{
    return (plat::DataFolder() / "FileFilter.xml").string();
}

CMapFileTypeInfo::~CMapFileTypeInfo()
{
    Clear();
}

int CMapFileTypeInfo::LoadFromXml(const char* path)
{
    CMarkupMSXML xml;
    if (path == nullptr || !xml.LoadFile(path) || !xml.FindElement()) {
        LogFailure(__LINE__, kErrBadFormat);
        return kErrBadFormat;
    }

    FileTypeInfoRecord root;
    root.id = 0;
    root.level = 0;
    root.parentId = -1;
    CopyFixedText(root.text, xml.GetAttribute("RootName"));
    root.checkState = static_cast<uint16_t>(ParseInt(xml.GetAttribute("Selected")));
    root.iconIndex = ParseInt(xml.GetAttribute("iconIndex"));
    root.isMutex = ParseInt(xml.GetAttribute("IsMutex"));
    Insert(&root);

    if (!xml.FindChildElement("FileCategory")) {
        LogFailure(__LINE__, kErrNotFound);
        return kErrNotFound;
    }

    uint32_t counter = 1;
    do {
        FileTypeInfoRecord category;
        CopyFixedText(category.comment, xml.GetChildAttribute("ShowComment"));
        const std::string description = xml.GetChildAttribute("Description");
        CopyFixedText(category.text, description);
        CopyFixedText(category.label, xml.GetChildAttribute("Label"));
        category.iconIndex = ParseInt(xml.GetChildAttribute("iconIndex"));
        category.isMutex = ParseInt(xml.GetChildAttribute("IsMutex"));
        // A category without a description is skipped with its types and takes no id.
        if (description.empty()) continue;

        CMarkupMSXML categoryXml;
        categoryXml.SetDocumentText(xml.GetChildXml());
        if (categoryXml.FindChildElement("Selected"))
            category.checkState = static_cast<uint16_t>(ParseInt(categoryXml.GetChildText()));
        category.id = counter++;
        category.level = 1;
        category.parentId = 0;
        if (const int rc = Insert(&category)) {
            LogFailure(__LINE__, rc);
            return rc;
        }

        // Types are found wherever "Selected" stands among them.
        categoryXml.ResetChildPos();
        while (categoryXml.FindChildElement("FileType")) {
            FileTypeInfoRecord type;
            const std::string typeDescription = categoryXml.GetChildAttribute("Description");
            CopyFixedText(type.text, typeDescription.empty() ? std::string("Unknown File Type.") : typeDescription);

            CMarkupMSXML typeXml;
            typeXml.SetDocumentText(categoryXml.GetChildXml());
            uint32_t listed = 0;
            while (typeXml.FindChildElement("Extention")) {
                if (listed < kMaxTypeExtensions) {
                    const std::string ext = TrimBlanks(typeXml.GetChildText());
                    CopyFixedText(type.extensions[listed], ext.empty() ? std::string("???") : ext);
                }
                ++listed;
            }
            if (listed > kMaxTypeExtensions)
                LogError("FileFilter: type \"%s\" lists %u extensions; the %u after the first %u are ignored",
                         type.text, listed, listed - kMaxTypeExtensions, kMaxTypeExtensions);
            // "Selected" counts only after the last "Extention".
            if (typeXml.FindChildElement("Selected"))
                type.checkState = static_cast<uint16_t>(ParseInt(typeXml.GetChildText()));
            if (listed == 0) continue;

            type.id = counter++;
            type.level = category.level + 1;
            type.parentId = static_cast<int32_t>(category.id);
            type.extensionCount = listed < kMaxTypeExtensions ? listed : kMaxTypeExtensions;
            if (const int rc = Insert(&type)) {
                LogFailure(__LINE__, rc);
                return rc;
            }
        }
    } while (xml.FindChildElement("FileCategory"));
    return 0;
}

FileTypeInfoRecord* CMapFileTypeInfo::Find(uint32_t id)
{
    const auto it = m_map.find(id);
    return it == m_map.end() ? nullptr : it->second.get();
}

const FileTypeInfoRecord* CMapFileTypeInfo::Find(uint32_t id) const
{
    const auto it = m_map.find(id);
    return it == m_map.end() ? nullptr : it->second.get();
}

int CMapFileTypeInfo::GetIds(uint32_t** ids, uint32_t* count) const
{
    if (ids == nullptr || count == nullptr || *ids != nullptr) return kErrInvalidParameter;
    *count = static_cast<uint32_t>(m_map.size());
    if (*count == 0) return 0;
    // MemAlloc never hands back null: running out of memory ends the process.
    auto* array = static_cast<uint32_t*>(MemAlloc(sizeof(uint32_t) * m_map.size()));
    uint32_t i = 0;
    for (const auto& entry : m_map) array[i++] = entry.first;
    *ids = array;
    return 0;
}

std::vector<uint32_t> CMapFileTypeInfo::GetIdList() const
{
    std::vector<uint32_t> ids;
    ids.reserve(m_map.size());
    for (const auto& entry : m_map) ids.push_back(entry.first);
    return ids;
}

int CMapFileTypeInfo::Insert(const FileTypeInfoRecord* record)
{
    if (record == nullptr) {
        LogFailure(__LINE__, kErrInvalidParameter);
        return kErrInvalidParameter;
    }
    auto copy = std::make_unique<FileTypeInfoRecord>(*record);
    if (copy->extensionCount > kMaxTypeExtensions) copy->extensionCount = kMaxTypeExtensions;
    m_map.emplace(copy->id, std::move(copy));
    return 0;
}

void CMapFileTypeInfo::Clear()
{
    m_map.clear();
}
