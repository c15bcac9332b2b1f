// Candidates the NTFS scan keeps ($MFT, $MFTMirr, $Bitmap, index-allocation folders, record runs) and the
// found NTFS partition with its stream form.
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsScanFindings.h"

#include "filesystems/tree/CFileNode.h"
#include "tests/support/MemoryRSData.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

Bytes MftRecord(const Bytes& pairs, uint64_t clusters, uint64_t dataSize, bool resident = false)
{
    NtfsRecordBuilder b;
    b.AddStandardInformation(0x06).AddFileName(5, u"$MFT");
    if (resident)
        b.AddResident(0x80, Bytes(100, 0));
    else
        b.AddNonResident(0x80, pairs, 0, clusters - 1, clusters * 4096, dataSize, dataSize);
    return b.Build();
}

Bytes FolderRecord(const std::vector<Bytes>& rootEntries, uint32_t recordNumber, const Bytes& pairs,
                   uint64_t indexBytes, bool headerNumber = true, uint64_t base = 0)
{
    std::vector<Bytes> entries = rootEntries;
    entries.push_back(NtfsIndexEnd());
    Bytes r = NtfsRecordBuilder()
                  .Flags(3)
                  .RecordNumber(recordNumber)
                  .BaseReference(base)
                  .AddStandardInformation(0x10)
                  .AddFileName(5, u"Docs", 1, 0x10000000)
                  .AddResident(0x90, NtfsIndexRootValue(entries), u"$I30")
                  .AddNonResident(0xA0, pairs, 0, 0, indexBytes, indexBytes, indexBytes, u"$I30")
                  .BuildPlain();
    if (!headerNumber) PutLe(r, 0x2A, 1, 2);
    NtfsProtect(r, 0x0042);
    return r;
}

} // namespace

TEST(NtfsScanFindings, MftCandidateFromItsRecord)
{
    const Bytes r = MftRecord(NtfsPackRuns({{4, 64}, {1000, 192}}), 256, 1048576);
    const CNTFSFileRecord view{std::span<const uint8_t>(r)};
    auto c = NewMftCandidate(view, 12345, 512);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->GetRecordSector(), 12345);
    EXPECT_EQ(c->GetSectorsPerCluster(), 8);
    EXPECT_EQ(c->GetSectorsPerRecord(), 2);
    EXPECT_EQ(c->GetFirstCluster(), 4);
    EXPECT_EQ(c->GetRunList().Runs(), (std::vector<CNTFSRun>{{4, 0, 64}, {1000, 64, 192}}));

    MemoryRSData out = MemoryRSData::Writer();
    c->Save(&out);
    EXPECT_EQ(out.SectionBytes().size(), 8u + 1 + 1 + 8 + 2 * 24);
    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    CNTFSMftCandidate back;
    back.Load(&in);
    EXPECT_EQ(back.GetRecordSector(), 12345);
    EXPECT_EQ(back.GetSectorsPerCluster(), 8);
    EXPECT_EQ(back.GetRunList().Runs(), c->GetRunList().Runs());

    // Resident data has no runs; runs whose VCN 0 lies in a hole do not locate the table.
    const Bytes resident = MftRecord({}, 0, 0, true);
    EXPECT_FALSE(NewMftCandidate(CNTFSFileRecord(std::span<const uint8_t>(resident)), 1, 512));
    const Bytes hole = MftRecord(NtfsPackRuns({{-1, 16}, {1000, 240}}), 256, 1048576);
    EXPECT_FALSE(NewMftCandidate(CNTFSFileRecord(std::span<const uint8_t>(hole)), 1, 512));
    // A size that gives no power-of-two cluster refuses the record.
    const Bytes odd = MftRecord(NtfsPackRuns({{4, 3}}), 3, 1048576);
    CNTFSMftCandidate none;
    EXPECT_FALSE(none.Fill(std::span<const uint8_t>(odd), 1, 512));

    // The cluster size counts in the sectors the caller names: the same record on a disk of 4096-byte sectors.
    auto big = NewMftCandidate(view, 12345, 4096);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->GetSectorsPerCluster(), 1);
}

TEST(NtfsScanFindings, MirrorAndBitmapCandidates)
{
    const Bytes mirr = NtfsRecordBuilder()
                           .Lsn(0x777)
                           .AddStandardInformation(0x06)
                           .AddFileName(5, u"$MFTMirr")
                           .AddNonResident(0x80, NtfsPackRuns({{2, 1}}), 0, 0, 4096, 4096 * 40, 4096 * 40)
                           .Build();
    auto m = NewMftMirrCandidate(CNTFSFileRecord(std::span<const uint8_t>(mirr)), 50, 512);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->GetSectorsPerCluster(), 0); // 320 sectors in one cluster: no cluster size, kept anyway
    EXPECT_EQ(m->GetFirstCluster(), 2);
    EXPECT_EQ(m->GetLogSequenceNumber(), 0x777u);
    EXPECT_EQ(m->GetRecordSector(), 50);

    const Bytes bitmap = NtfsRecordBuilder()
                             .AddFileName(5, u"$Bitmap")
                             .AddNonResident(0x80, NtfsPackRuns({{20, 1}}), 0, 0, 4096, 2000, 2000)
                             .Build();
    CNTFSBitmapCandidate b;
    EXPECT_EQ(b.GetDataSize(), ~0ull);
    ASSERT_TRUE(b.Fill(CNTFSFileRecord(std::span<const uint8_t>(bitmap)), 70));
    EXPECT_EQ(b.GetDataSize(), 2000u);
    EXPECT_EQ(b.GetRecordSector(), 70);
    const Bytes empty = NtfsRecordBuilder().AddNonResident(0x80, NtfsPackRuns({{20, 0}}), 0, ~0ull, 0, 0, 0).Build();
    CNTFSBitmapCandidate e;
    EXPECT_FALSE(e.Fill(CNTFSFileRecord(std::span<const uint8_t>(empty)), 70));
}

TEST(NtfsScanFindings, FolderCandidates)
{
    const uint64_t parent = 0x0001000000000040ull;
    const Bytes pairs = NtfsPackRuns({{300, 1}});
    CNTFSFolderCandidate f;
    ASSERT_TRUE(
        f.Fill(FolderRecord({NtfsIndexEntry(70, parent, u"a"), NtfsIndexEntry(71, parent, u"b")}, 0x40, pairs, 4096),
               900, 512));
    EXPECT_EQ(f.GetFolderRecordNumber(), 0x40);
    EXPECT_EQ(f.GetSectorsPerCluster(), 8u);
    EXPECT_EQ(f.VcnToLcn(0), 300);
    EXPECT_TRUE(f.HasRecordNumber());
    EXPECT_EQ(f.GetHeaderRecordNumber(), 0x40u);
    EXPECT_EQ(f.GetRecordSector(), 900);

    struct Case {
        const char* name;
        Bytes record;
        bool ok;
        int64_t folder;
    };
    const Case cases[] = {
        {"the root folder", FolderRecord({NtfsIndexEntry(70, 5, u"a")}, 5, pairs, 4096), false, 5},
        {"empty root, number from the header", FolderRecord({}, 77, pairs, 4096), true, 77},
        {"empty root, no number in the header", FolderRecord({}, 77, pairs, 4096, false), false, -1},
        {"extension record", FolderRecord({NtfsIndexEntry(70, parent, u"a")}, 0x40, pairs, 4096, true, 9), false, -1},
        {"index size that gives no cluster size", FolderRecord({}, 77, pairs, 40 * 4096), false, 77},
        {"index allocation pairs with a 5-byte field", FolderRecord({}, 77, {0x51, 1, 1, 1, 1, 1, 1, 0}, 4096), false,
         77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNTFSFolderCandidate g;
        EXPECT_EQ(g.Fill(c.record, 1, 512), c.ok);
        if (c.ok) {
            EXPECT_EQ(g.GetFolderRecordNumber(), c.folder);
        }
    }
}

TEST(NtfsScanFindings, RecordRunsGrowOneRecordAtATime)
{
    CNTFSRecordRun run(1000);
    EXPECT_TRUE(run.Extend(1002));
    EXPECT_TRUE(run.Extend(1004));
    EXPECT_EQ(run.GetCount(), 3u);
    EXPECT_FALSE(run.Extend(1005));
    EXPECT_FALSE(run.Extend(1004));
    EXPECT_FALSE(run.Extend(10));
    EXPECT_EQ(run.GetCount(), 3u);

    CNTFSRecordRun big(0, 8); // 4096-byte records on 512-byte sectors
    EXPECT_FALSE(big.Extend(2));
    EXPECT_TRUE(big.Extend(8));
    EXPECT_TRUE(big.Extend(16));
}

TEST(NtfsScanFindings, FoundNtfsPartitionStreamForm)
{
    const CSearchedNTFSPartitionInfo fresh;
    EXPECT_EQ(fresh.GetKind(), kSearchedPartitionNTFS);
    EXPECT_EQ(fresh.nFileSystemKind, kFsKindNtfs);
    MemoryRSData out = MemoryRSData::Writer();
    fresh.Save(&out);
    const Bytes bytes = out.SectionBytes();
    ASSERT_EQ(bytes.size(), 169u);
    EXPECT_EQ(bytes.size(), CSearchedNTFSPartitionInfo::kStreamSize);

    CSearchedNTFSPartitionInfo loaded;
    loaded.nSectorsPerMftRecord = 9;
    loaded.nFlags = 0x55;
    loaded.u64MftSector = 3;
    MemoryRSData in = MemoryRSData::Reader(bytes);
    loaded.Load(&in);
    EXPECT_EQ(loaded.GetSectorsPerMftRecord(), 2u);
    EXPECT_EQ(loaded.GetFlags(), 0u);
    for (uint64_t v : {loaded.u64TotalClusters, loaded.u64LogFileMatch, loaded.u64AttrDefMatch, loaded.u64UpcaseMatch,
                       loaded.u64MftSector, loaded.u64LogFileSector, loaded.u64AttrDefSector, loaded.u64UpcaseSector,
                       loaded.u64SectorsFromSystemFiles})
        EXPECT_EQ(v, ~0ull);

    CSearchedNTFSPartitionInfo p(4096);
    p.SetSerialNumber(0xFEEDFACE);
    p.AddFlags(kNtfsEvidenceFirstBootRecord);
    p.AddFlags(kNtfsEvidenceMftMirr);
    p.bUseMft = 1;
    p.u64MftSector = 6144;
    p.u64SectorsFromSystemFiles = 99999;
    p.u64StartSector = 2048;
    p.u64MftMirrLocation = 123; // not part of the stored form
    MemoryRSData out2 = MemoryRSData::Writer();
    p.Save(&out2);
    ASSERT_EQ(out2.SectionBytes().size(), 169u);
    MemoryRSData in2 = MemoryRSData::Reader(out2.SectionBytes());
    CSearchedNTFSPartitionInfo q;
    q.Load(&in2);
    EXPECT_EQ(q.GetSerialNumber(), 0xFEEDFACEu);
    EXPECT_EQ(q.GetFlags(), kNtfsEvidenceFirstBootRecord | kNtfsEvidenceMftMirr);
    EXPECT_EQ(q.bUseMft, 1u);
    EXPECT_EQ(q.u64MftSector, 6144u);
    EXPECT_EQ(q.u64SectorsFromSystemFiles, 99999u);
    EXPECT_EQ(q.GetStartSector(), 2048u);
    EXPECT_EQ(q.nSectorSize, 4096u);
    EXPECT_EQ(q.u64MftMirrLocation, ~0ull);
}
