// A header script loaded and matched against sectors.
#include "raw/CCustomHeader.h"

#include <cstring>

bool CCustomHeader::Load(const std::string& path)
{
    CScriptProcess script;
    if (!script.Open(path)) {
        m_error = script.GetError();
        return false;
    }
    return Read(script);
}

bool CCustomHeader::LoadText(std::span<const uint8_t> bytes)
{
    CScriptProcess script;
    script.SetText(bytes);
    return Read(script);
}

bool CCustomHeader::Read(CScriptProcess& script)
{
    m_items.clear();
    if (!script.Validate() || !script.GetExtension(m_extension)) {
        m_error = script.GetError();
        m_errorLine = script.GetErrorLine();
        return false;
    }
    m_fileSize = script.GetFileSize();
    int index = script.FirstSign();
    CustomSignItem item;
    while (script.NextSign(index, item)) m_items.push_back(item);
    return true;
}

bool CCustomHeader::IsMatch(const uint8_t* sector) const
{
    if (m_items.empty()) return false;
    for (const CustomSignItem& item : m_items)
        if (item.length != 0 && std::memcmp(sector + item.offset, item.bytes, item.length) != 0) return false;
    return true;
}
