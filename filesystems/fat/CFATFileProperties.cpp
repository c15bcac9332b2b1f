// FAT file properties, their recovery-state form, and properties made from directory entries.
#include "filesystems/fat/CFATFileProperties.h"

#include "core/CRecoverySettings.h"
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/MediaExtensionSet.h"
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATLongNameEntry.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/common/PartitionNaming.h"
#include "platform/Clock.h"
#include "core/rsdata/IRSData.h"
#include "filesystems/tree/FoundFileFields.h"

#include <algorithm>
#include <vector>

namespace {

// A real long name has at most 20 pieces (255 units); more come only from damaged directories.
constexpr size_t kMaxLongNamePieces = 20;

} // namespace

bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FILETIME& out)
{
    plat::SystemTime st{};
    st.year = uint16_t(1980 + (dosDate >> 9));
    st.month = uint16_t((dosDate >> 5) & 0x0F);
    st.day = uint16_t(dosDate & 0x1F);
    st.hour = uint16_t(dosTime >> 11);
    st.minute = uint16_t((dosTime >> 5) & 0x3F);
    st.second = uint16_t((dosTime & 0x1F) * 2);
    uint64_t value = 0;
    if (!plat::SystemTimeToFileTime(st, value)) {
        out = 0;
        return false;
    }
    out = value;
    return true;
}

void CFATFileProperties::SetCreationTime(uint16_t dosDate, uint16_t dosTime)
{
    DosDateTimeToFileTime(dosDate, dosTime, m_creationTime);
}
void CFATFileProperties::SetModificationTime(uint16_t dosDate, uint16_t dosTime)
{
    DosDateTimeToFileTime(dosDate, dosTime, m_modificationTime);
}
void CFATFileProperties::SetAccessDate(uint16_t dosDate)
{
    DosDateTimeToFileTime(dosDate, 0, m_accessTime);
}

int CFATFileProperties::Write(IRSData* stream) const
{
    const uint16_t nameLength = uint16_t(std::min<size_t>(m_name.size(), kMaxStoredName));
    const uint16_t shortLength = uint16_t(std::min<size_t>(m_shortName.size(), kMaxStoredName));
    RSWriteValue<uint16_t>(stream, nameLength);
    RSWriteValue<uint16_t>(stream, shortLength);
    WriteCountedText(stream, m_name, nameLength);
    WriteCountedText(stream, m_shortName, shortLength);
    Fields().Write(stream);
    RSWriteValue<uint32_t>(stream, m_firstCluster);
    RSWriteValue<uint32_t>(stream, m_parentCluster);
    WriteRuns(stream);
    return 1;
}

int CFATFileProperties::Read(IRSData* stream)
{
    const uint16_t nameLength = RSReadValue<uint16_t>(stream);
    const uint16_t shortLength = RSReadValue<uint16_t>(stream);
    if (nameLength > kMaxStoredName || shortLength > kMaxStoredName) throw CRSException(RS_ERROR_BAD_LENGTH);
    std::string name = ReadCountedText(stream, nameLength);
    std::string shortName = ReadCountedText(stream, shortLength);
    const FoundFileFields fields = FoundFileFields::Read(stream);
    const uint32_t firstCluster = RSReadValue<uint32_t>(stream);
    const uint32_t parentCluster = RSReadValue<uint32_t>(stream);
    std::unique_ptr<PackedDataRun> runs = ReadRuns(stream);

    m_name = std::move(name);
    m_shortName = std::move(shortName);
    m_firstCluster = firstCluster;
    m_parentCluster = parentCluster;
    TakeStored(fields, std::move(runs));
    return 1;
}

CFATFileProperties* NewFATFileProperties()
{
    return new CFATFileProperties();
}

std::unique_ptr<CFATFileProperties> NewFATFilePropertiesFromEntry(const std::string& name, const CFATDirEntry& entry)
{
    if (name.empty()) return nullptr;
    const bool folderOrLabel = (entry.GetAttributes() & (fat::kAttrDirectory | fat::kAttrVolumeLabel)) != 0;
    if (!IsExtensionWanted(name.c_str(), folderOrLabel)) return nullptr;
    if (GetRecoverySettings()->m_photoMode && !entry.IsDirectory() &&
        !PassesPhotoModeFilterA(name.c_str(), name.size(), false))
        return nullptr;

    auto properties = std::make_unique<CFATFileProperties>();
    properties->SetName(name.c_str());
    properties->SetSize(entry.GetFileSize());
    properties->SetAttributes(entry.GetAttributes());
    properties->SetCreationTime(entry.GetCreationDate(), entry.GetCreationTime());
    properties->SetModificationTime(entry.GetModificationDate(), entry.GetModificationTime());
    properties->SetAccessDate(entry.GetAccessDate());
    properties->SetState(entry.IsDeleted() ? kFileStateDeleted : 0);
    return properties;
}

std::unique_ptr<CFATFileProperties> MakeFATFileProperties(std::span<const uint8_t> entries)
{
    std::vector<std::u16string> pieces; // in directory order: the end of the name first
    for (size_t at = 0; at + fat::kDirEntrySize <= entries.size(); at += fat::kDirEntrySize) {
        const std::span<const uint8_t> bytes = entries.subspan(at, fat::kDirEntrySize);
        const CFATDirEntry entry(bytes);
        if (entry.IsLongNameEntry()) {
            std::u16string units;
            CFATLongNameEntry::AppendUnits(bytes, units);
            if (!units.empty()) pieces.push_back(std::move(units));
            continue;
        }
        std::string name;
        if (!pieces.empty() && pieces.size() <= kMaxLongNamePieces) {
            std::u16string whole;
            for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) whole += *it;
            name = CFATLongNameEntry::UnitsToText(whole);
            if (!IsValidFATFileName(name)) name.clear();
        }
        if (name.empty()) name = entry.GetShortName();
        return NewFATFilePropertiesFromEntry(name, entry);
    }
    return nullptr;
}
