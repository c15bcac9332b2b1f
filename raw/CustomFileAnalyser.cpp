// Sectors offered to the header scripts.
#include "raw/CustomFileAnalyser.h"

#include "core/filetypes/RawTypeTable.h"
#include "filesystems/tree/CRawFileInfo.h"

CustomFileAnalyser::CustomFileAnalyser() : CustomFileAnalyser(GetCustomScriptFolder()) {}

CustomFileAnalyser::CustomFileAnalyser(const std::filesystem::path& folder)
{
    m_headers.LoadFolder(folder);
}

int CustomFileAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    const CCustomHeader* header = m_headers.Match(sector);
    if (header == nullptr) return 0;
    const int id = ClaimCustomRawType(header->GetExtension().c_str());
    if (id == 0) return 0;
    hit->SetFileType(id);
    hit->SetSize(header->GetFileSize());
    return 1;
}

int CustomFileAnalyser::Analyse(CRawFileInfo*, IStorageDevice*)
{
    return 0;
}
