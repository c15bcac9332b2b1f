// File-type name map: extensions grouped under the desktop's name for their type.
#include "views/search/CFileTypeNameMap.h"

#include <QMimeDatabase>

#include <algorithm>
#include <set>
#include <strings.h>

CFileTypeNameMap& CFileTypeNameMap::GetInstance()
{
    static CFileTypeNameMap s_map;
    return s_map;
}

void CFileTypeNameMap::Add(const std::string& typeName, const std::string& extension)
{
    auto [it, inserted] = m_entries.try_emplace(typeName, extension);
    if (!inserted) it->second += ";" + extension;
}

std::string CFileTypeNameMap::Lookup(const std::string& typeName) const
{
    const auto it = m_entries.find(typeName);
    return it == m_entries.end() ? std::string() : it->second;
}

void CFileTypeNameMap::Build(std::vector<std::pair<std::string, std::string>> extensions,
                             const std::string& allFilesText, const std::string& fileText)
{
    Add(".00" + allFilesText, "*");
    Add(".01" + (fileText.empty() ? std::string("File") : fileText), "*");
    std::stable_sort(extensions.begin(), extensions.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [extension, name] : extensions) {
        if (name.empty() || extension.empty() || extension[0] != '.') continue;
        if (strcasecmp(extension.c_str(), ".Folder") == 0) continue;
        if (name[0] >= 'a' && name[0] <= 'z') name[0] = char(name[0] - 'a' + 'A');
        Add(name, extension);
    }
}

void CFileTypeNameMap::BuildFromMimeDatabase(const std::string& allFilesText, const std::string& fileText)
{
    std::vector<std::pair<std::string, std::string>> extensions;
    std::set<std::string> seen;
    const QMimeDatabase db;
    for (const QMimeType& type : db.allMimeTypes()) {
        for (const QString& suffix : type.suffixes()) {
            const std::string extension = "." + suffix.toStdString();
            if (!seen.insert(extension).second) continue;
            // An extension claimed by several types is entered under the one the desktop prefers for it.
            const QMimeType preferred = db.mimeTypeForFile("x." + suffix, QMimeDatabase::MatchExtension);
            extensions.emplace_back(extension, (preferred.isValid() ? preferred : type).comment().toStdString());
        }
    }
    Build(std::move(extensions), allFilesText, fileText);
}
