// The rows of the partition properties.
#include "views/devices/ScanPartitionRows.h"

#include "controls/CResourceLibrary.h"
#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"

namespace {

QString S(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
QString U64(uint64_t v)
{
    return QString::number(v);
}
QString I64(uint64_t v)
{
    return QString::number(qint64(v));
}
QString YesDash(bool set)
{
    return set ? S(366) : QStringLiteral("-");
}
QString YesNo(bool set)
{
    return set ? S(366) : S(367);
}

void PlainRows(const CSearchedPartitionInfo& info, PropertyRows& rows)
{
    rows.emplace_back(QStringLiteral("partition sectors count"), U64(info.u64SectorsCount));
    rows.emplace_back(QStringLiteral("data area start sector"), U64(info.u64DataAreaStartSector));
    rows.emplace_back(QStringLiteral("sectors per cluster"), QString::number(info.bySectorsPerCluster));
}

void FatRows(const CFATSearchedPartitionInfo& info, PropertyRows& rows)
{
    const uint32_t f = info.GetFlags();
    // The rank of this partition among those found, not a fixed 100%.
    rows.emplace_back(S(247), QString::asprintf("%.2f%%", info.dRank * 100.0));
    rows.emplace_back(S(248), PartitionKindName(info.nFileSystemKind));
    rows.emplace_back(S(249), YesDash(f & 4));
    rows.emplace_back(S(250), YesDash(f & 8));
    rows.emplace_back(S(251), YesDash(f & 2));
    rows.emplace_back(S(252), YesDash(f & 1));
    rows.emplace_back(S(253), YesDash(f & 0x10));
    rows.emplace_back(S(254), YesDash(f & 0x20));
    rows.emplace_back(S(255), U64(info.u64StartSector));
    rows.emplace_back(S(256), QString::number(info.GetReservedSectors()));
    rows.emplace_back(S(257), YesNo(f & 0x40));
    rows.emplace_back(S(258), YesNo(f & 0x100));
    rows.emplace_back(S(259), QString::number(info.GetSectorsPerFAT()));
    rows.emplace_back(S(260), U64(info.u64DataAreaStartSector));
    rows.emplace_back(S(261), QString::number(info.bySectorsPerCluster));
    rows.emplace_back(S(262), U64(info.u64SectorsCount));
}

void NtfsRows(const CSearchedPartitionInfo& info, const NtfsPartitionFigures& n, PropertyRows& rows)
{
    static const char* const kEvidence[] = {
        "  From first boot record", "  From last boot record", "  From mft files pair",
        "  From single $mft",       "  From $mftMirr",         "  From index/folder comparision",
        "  From First RSTR",        "  From Second RSTR",      "  From files analysis",
    };
    for (unsigned i = 0; i < 9; ++i) rows.emplace_back(QString::fromLatin1(kEvidence[i]), YesDash(n.flags & (1u << i)));
    rows.emplace_back(QStringLiteral("partition sectors count"), U64(info.u64SectorsCount));
    rows.emplace_back(QStringLiteral("data area start sector"), U64(info.u64DataAreaStartSector));
    rows.emplace_back(QStringLiteral("sectors per cluster"), QString::number(info.bySectorsPerCluster));
    rows.emplace_back(QStringLiteral("Total Clusters"), I64(n.totalClusters));
    rows.emplace_back(QStringLiteral("Use$MFT"), YesNo(n.useMft));
    rows.emplace_back(QStringLiteral("ProcessFilesfrom$MFTonly"), YesNo(n.mftOnly));
    rows.emplace_back(QStringLiteral("Folders match"), U64(info.u64FoldersMatch));
    rows.emplace_back(QStringLiteral("Files match"), U64(info.u64FilesMatch));
    rows.emplace_back(QStringLiteral("Sectors per $mft file record"), QString::number(n.sectorsPerMftRecord));
    rows.emplace_back(QStringLiteral("$LogFileMatch"), I64(n.logFileMatch));
    rows.emplace_back(QStringLiteral("$AttrDefMatch"), I64(n.attrDefMatch));
    rows.emplace_back(QStringLiteral("$UpcaseMatch"), I64(n.upcaseMatch));
    rows.emplace_back(QStringLiteral("$MFTSector"), I64(n.mftSector));
    rows.emplace_back(QStringLiteral("$LogFileSector"), I64(n.logFileSector));
    rows.emplace_back(QStringLiteral("$AttrDefSector"), I64(n.attrDefSector));
    rows.emplace_back(QStringLiteral("$UpcaseSector"), I64(n.upcaseSector));
    rows.emplace_back(QStringLiteral("SectorsCountfromSystemFiles"), I64(n.sectorsFromSystemFiles));
}

} // namespace

NtfsPartitionFigures NtfsFiguresOf(const CSearchedNTFSPartitionInfo& n)
{
    NtfsPartitionFigures f;
    f.flags = n.nFlags;
    f.sectorsPerMftRecord = n.nSectorsPerMftRecord;
    f.useMft = n.bUseMft != 0;
    f.mftOnly = n.bMftOnly != 0;
    f.totalClusters = n.u64TotalClusters;
    f.logFileMatch = n.u64LogFileMatch;
    f.attrDefMatch = n.u64AttrDefMatch;
    f.upcaseMatch = n.u64UpcaseMatch;
    f.mftSector = n.u64MftSector;
    f.logFileSector = n.u64LogFileSector;
    f.attrDefSector = n.u64AttrDefSector;
    f.upcaseSector = n.u64UpcaseSector;
    f.sectorsFromSystemFiles = n.u64SectorsFromSystemFiles;
    return f;
}

QString PartitionKindName(int kind)
{
    static const unsigned kIds[] = {419, 418, 417, 416, 415, 414, 413};
    return S(kind >= 0 && kind <= 6 ? kIds[kind] : 412);
}

PropertyRows ScanPartitionRows(const CSearchedPartitionInfo& info, const NtfsPartitionFigures* ntfs)
{
    PropertyRows rows;
    const int kind = info.nFileSystemKind;
    if (kind >= 0 && kind <= 2) {
        if (const auto* fat = dynamic_cast<const CFATSearchedPartitionInfo*>(&info)) {
            FatRows(*fat, rows);
            return rows;
        }
    } else if (kind == 3) {
        if (ntfs) {
            NtfsRows(info, *ntfs, rows);
            return rows;
        }
        if (const auto* n = dynamic_cast<const CSearchedNTFSPartitionInfo*>(&info)) {
            NtfsRows(info, NtfsFiguresOf(*n), rows);
            return rows;
        }
    }
    PlainRows(info, rows);
    return rows;
}

PropertyRows RangeRows(uint64_t startSector, uint64_t sectorCount)
{
    return {{QStringLiteral("Start Sector"), U64(startSector)}, {QStringLiteral("Total Sector"), U64(sectorCount)}};
}
