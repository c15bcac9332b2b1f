// The file types the desktop knows, by name, each with the ";"-separated extensions that carry it
// (".jpg;.jpeg"). Two fixed entries sort first: ".00" + the all-files text and ".01" + the plain-file
// name, both with the value "*". Built once at start-up, read-only afterwards.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

class CFileTypeNameMap {
public:
    static CFileTypeNameMap& GetInstance();

    // Fills the map from the desktop's MIME database (type comments and their file-name suffixes).
    void BuildFromMimeDatabase(const std::string& allFilesText, const std::string& fileText);
    // The same from (extension with its dot, type name) pairs, entered in extension order; a pair with
    // an empty name, and ".Folder", is left out.
    void Build(std::vector<std::pair<std::string, std::string>> extensions, const std::string& allFilesText,
               const std::string& fileText);

    // Appends the extension to the key's list, or starts the list.
    void Add(const std::string& typeName, const std::string& extension);
    // "" when the key is unknown.
    std::string Lookup(const std::string& typeName) const;
    const std::map<std::string, std::string>& GetEntries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

private:
    std::map<std::string, std::string> m_entries;
};
