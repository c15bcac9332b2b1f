// The analyser of the header scripts: a sector that a script matches is a file of the script's custom type.
#pragma once

#include "raw/CCustomHeaderManage.h"
#include "raw/IRawFileAnalyser.h"

#include <filesystem>

class CustomFileAnalyser : public IRawFileAnalyser {
public:
    // Loads the scripts of the script folder.
    CustomFileAnalyser();
    // Loads the scripts of the given folder.
    explicit CustomFileAnalyser(const std::filesystem::path& folder);

    // Sets the custom type id of the first script that matches, and the size the script gives (0: none).
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Custom types are not measured: 0, the hit unchanged.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    CCustomHeaderManage& Headers() { return m_headers; }

private:
    CCustomHeaderManage m_headers;
};
