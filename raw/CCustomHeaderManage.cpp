// Loading the script folder and matching sectors against its scripts.
#include "raw/CCustomHeaderManage.h"

#include "core/filetypes/RawTypeTable.h"
#include "platform/Folders.h"
#include "platform/Log.h"

#include <algorithm>
#include <set>
#include <system_error>

bool CCustomHeaderManage::LoadFolder(const std::filesystem::path& folder)
{
    Clear();
    std::vector<std::filesystem::path> scripts;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".fhs") scripts.push_back(it->path());
    std::sort(scripts.begin(), scripts.end());
    for (const std::filesystem::path& path : scripts) {
        auto header = std::make_unique<CCustomHeader>();
        bool loaded = header->Load(path.string());
        if (loaded && ClaimCustomRawType(header->GetExtension().c_str()) == 0) {
            LogError("Header script %s refused: every custom type id is taken", path.c_str());
            continue;
        }
        if (!loaded) {
            LogError("Header script %s refused: %s (line %d)", path.c_str(), header->GetError().c_str(),
                     header->GetErrorLine());
            continue;
        }
        m_headers.push_back(std::move(header));
    }
    return !scripts.empty();
}

const CCustomHeader* CCustomHeaderManage::Match(const uint8_t* sector) const
{
    for (const auto& header : m_headers)
        if (header->IsMatch(sector)) return header.get();
    return nullptr;
}

std::filesystem::path GetCustomScriptFolder()
{
    return plat::DataFolder() / "CustomFileScript";
}

std::vector<int> LoadCustomRawTypeIds()
{
    CCustomHeaderManage scripts;
    scripts.LoadFolder(GetCustomScriptFolder());
    std::set<int> seen;
    std::vector<int> ids;
    for (size_t i = 0; i < scripts.Size(); ++i) {
        const int id = ClaimCustomRawType(scripts.At(i).GetExtension().c_str());
        if (id != 0 && seen.insert(id).second) ids.push_back(id);
    }
    return ids;
}
