// The header scripts of the script folder, in name order, matched against sectors; each loaded script's
// extension holds a custom RAW type id (1000 to 1999) in the type table.
#pragma once

#include "raw/CCustomHeader.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class CCustomHeaderManage {
public:
    CCustomHeaderManage() = default;
    virtual ~CCustomHeaderManage() = default;

    void Clear() { m_headers.clear(); }
    // Loads every "*.fhs" file of the folder in name order; a refused script is logged with its reason and
    // line and left out. True when the folder held any script.
    bool LoadFolder(const std::filesystem::path& folder);
    // Appends a loaded header (tests).
    void Add(std::unique_ptr<CCustomHeader> header) { m_headers.push_back(std::move(header)); }
    // The first header, in load order, that matches the sector; null when none does.
    const CCustomHeader* Match(const uint8_t* sector) const;
    size_t Size() const { return m_headers.size(); }
    const CCustomHeader& At(size_t i) const { return *m_headers[i]; }

private:
    std::vector<std::unique_ptr<CCustomHeader>> m_headers;
};

// The folder of the header scripts: "CustomFileScript" in the data folder.
std::filesystem::path GetCustomScriptFolder();
// The custom type ids of the scripts of the script folder that load, claimed in the type table, each once.
std::vector<int> LoadCustomRawTypeIds();
