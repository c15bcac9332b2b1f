// Attribute lists, extension records and record groups, record-to-sector mapping, and the volume label.
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSFileRecordAttribute.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"

#include "tests/support/MemoryDevice.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// $MFT runs of the tests: clusters 4-5 hold records 0-7, clusters 100-109 records 8-47 (8 sectors per
// cluster, 2 sectors per record).
CNTFSRunList MftRuns()
{
    CNTFSRunList runs;
    runs.Append({4, 0, 2});
    runs.Append({100, 2, 10});
    runs.Append({-1, 12, 4});
    return runs;
}

} // namespace

TEST(NtfsAttributeList, ResidentListGivesDistinctReferencesInOrder)
{
    const Bytes list = Concat({NtfsAttributeListEntry(0x10, 40), NtfsAttributeListEntry(0x30, 41),
                               NtfsAttributeListEntry(0x30, 0x0002000000000029ull), // 41 again, other sequence
                               NtfsAttributeListEntry(0x80, 42)});
    const Bytes r = NtfsRecordBuilder().RecordNumber(40).AddResident(0x20, list).AddFileName(5, u"f").Build();
    const auto entries = ReadAttributeList(r, 0, 8, nullptr);
    EXPECT_EQ(entries, (std::vector<CNTFSExtensionEntry>{{-1, 40}, {-1, 41}, {-1, 42}}));

    // An entry of length 0 or type 0 ends the walk.
    Bytes truncated = list;
    PutLe(truncated, 32 + 4, 0, 2);
    const Bytes r2 = NtfsRecordBuilder().AddResident(0x20, truncated).Build();
    EXPECT_EQ(ReadAttributeList(r2, 0, 8, nullptr).size(), 1u);
    EXPECT_TRUE(ReadAttributeList(NtfsRecordBuilder().AddFileName(5, u"f").Build(), 0, 8, nullptr).empty());
}

TEST(NtfsAttributeList, NonResidentListIsReadFromItsClustersWithinACap)
{
    MemoryDevice device(2048, 512);
    const Bytes list = Concat({NtfsAttributeListEntry(0x10, 40), NtfsAttributeListEntry(0x80, 77)});
    device.Write(uint64_t(8 + 30 * 2) * 512, list.data(), list.size()); // cluster 30, partition at sector 8
    auto record = [&](uint64_t allocated, uint64_t initialized) {
        return NtfsRecordBuilder()
            .AddNonResident(0x20, NtfsPackRuns({{30, 1}}), 0, 0, allocated, initialized, initialized)
            .Build();
    };
    EXPECT_EQ(ReadAttributeList(record(1024, list.size()), 8, 2, &device),
              (std::vector<CNTFSExtensionEntry>{{-1, 40}, {-1, 77}}));
    EXPECT_TRUE(ReadAttributeList(record(1024, 0), 8, 2, &device).empty());
    EXPECT_TRUE(ReadAttributeList(record(16, 32), 8, 2, &device).empty()); // allocated below initialized
    // A damaged size never decides the allocation: far beyond any attribute list, refused.
    EXPECT_TRUE(ReadAttributeList(record(1ull << 40, 1ull << 40), 8, 2, &device).empty());
    EXPECT_TRUE(ReadAttributeList(record(kMaxAttributeListBytes + 4096, 64), 8, 2, &device).empty());
}

TEST(NtfsAttributeList, RecordNumbersMapThroughTheMftRuns)
{
    const CNTFSRunList runs = MftRuns();
    EXPECT_EQ(MftRecordToSector(0, 8, 1000, runs, 2), 1000 + 32);
    EXPECT_EQ(MftRecordToSector(3, 8, 1000, runs, 2), 1000 + 32 + 6);
    EXPECT_EQ(MftRecordToSector(8, 8, 1000, runs, 2), 1000 + 800);
    EXPECT_EQ(MftRecordToSector(47, 8, 1000, runs, 2), 1000 + 800 + 9 * 8 + 6);
    EXPECT_EQ(MftRecordToSector(48, 8, 1000, runs, 2), -1); // inside the hole
    EXPECT_EQ(MftRecordToSector(500, 8, 1000, runs, 2), -1);
    EXPECT_EQ(MftRecordToSector(1, 0, 1000, runs, 2), -1);
    EXPECT_EQ(MftRecordToSector(1ull << 50, 8, 1000, runs, 2), -1);
}

TEST(NtfsAttributeList, ExtensionSectorsLeaveOutTheBaseAndUnmappedRecords)
{
    const Bytes list = Concat({NtfsAttributeListEntry(0x10, 9), NtfsAttributeListEntry(0x30, 10),
                               NtfsAttributeListEntry(0x80, 48), NtfsAttributeListEntry(0x80, 11)});
    const Bytes r = NtfsRecordBuilder().RecordNumber(9).AddResident(0x20, list).Build();
    const int64_t base = MftRecordToSector(9, 8, 0, MftRuns(), 2);
    const auto ext = GetExtensionRecordSectors(r, uint64_t(base), 8, 0, nullptr, MftRuns(), 2);
    EXPECT_EQ(ext, (std::vector<CNTFSExtensionEntry>{{804, 10}, {806, 11}}));

    const Bytes self =
        NtfsRecordBuilder()
            .AddResident(0x20, Concat({NtfsAttributeListEntry(0x10, 9), NtfsAttributeListEntry(0x80, 9)}))
            .Build();
    EXPECT_TRUE(GetExtensionRecordSectors(self, uint64_t(base), 8, 0, nullptr, MftRuns(), 2).empty());
}

TEST(NtfsRecordGroup, AttributesAreCountedAcrossExtensionRecords)
{
    MemoryDevice device(64, 512);
    const Bytes ext1 = NtfsRecordBuilder().BaseReference(40).AddFileName(5, u"LongName.txt", 1).Build();
    const Bytes ext2 = NtfsRecordBuilder()
                           .BaseReference(40)
                           .AddNonResident(0x80, NtfsPackRuns({{7, 2}}), 0, 1, 8192, 5000, 5000)
                           .Build();
    Bytes broken = ext1;
    broken[0] = 'X';
    device.Write(10 * 512, ext1.data(), ext1.size());
    device.Write(20 * 512, broken.data(), broken.size());
    device.Write(30 * 512, ext2.data(), ext2.size());
    device.FailSector(40);
    const Bytes base =
        NtfsRecordBuilder().RecordNumber(40).AddStandardInformation(0x20).AddFileName(5, u"LONGNA~1.TXT", 2).Build();
    const std::vector<CNTFSExtensionEntry> extensions = {{10, 41}, {-1, 42}, {20, 43}, {40, 44}, {30, 45}};
    CNTFSFileRecordGroup group(base, 4, &device, &extensions);
    ASSERT_TRUE(group.HasRecord());
    EXPECT_TRUE(group.IsInUse());

    const auto first = group.FindAttribute(0x30, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.recordSector, 4u);
    EXPECT_EQ(first.attribute.GetFNName(), u"LONGNA~1.TXT");
    const auto second = group.FindAttribute(0x30, 1);
    ASSERT_TRUE(second);
    EXPECT_EQ(second.recordSector, 10u);
    EXPECT_EQ(second.attribute.GetFNName(), u"LongName.txt");
    EXPECT_EQ(second.offset, second.attribute.GetOffset());
    EXPECT_FALSE(group.FindAttribute(0x30, 2)); // the damaged and unreadable records add nothing
    const auto data = group.FindAttribute(0x80, 0);
    ASSERT_TRUE(data);
    EXPECT_EQ(data.recordSector, 30u);
    EXPECT_EQ(data.attribute.GetDataSize(), 5000u);
    // Each extension record is read once, on first use.
    const uint64_t reads = device.ReadCount();
    group.FindAttribute(0x80, 0);
    EXPECT_EQ(device.ReadCount(), reads);

    Bytes notARecord(1024, 0);
    CNTFSFileRecordGroup none(notARecord, 4, &device, &extensions);
    EXPECT_FALSE(none.HasRecord());
    EXPECT_FALSE(none.FindAttribute(0x30, 0));
}

TEST(NtfsRecordGroup, LargeExtensionRecordOnSmallSectorsIsReadWhole)
{
    MemoryDevice device(64, 512);
    Bytes ext = NtfsRecordBuilder(4096)
                    .BaseReference(40)
                    .AddResident(0x80, Bytes(1500, 1), u"pad")
                    .AddFileName(5, u"far.txt")
                    .Build();
    device.Write(8 * 512, ext.data(), ext.size());
    const Bytes base = NtfsRecordBuilder(4096).AddStandardInformation(0).Build();
    const std::vector<CNTFSExtensionEntry> extensions = {{8, 41}};
    CNTFSFileRecordGroup group(base, 0, &device, &extensions);
    const auto fn = group.FindAttribute(0x30, 0);
    ASSERT_TRUE(fn);
    EXPECT_GT(fn.offset, 1024u);
    EXPECT_EQ(fn.attribute.GetFNName(), u"far.txt");
}

TEST(NtfsVolumeLabel, LabelOfTheVolumeRecord)
{
    auto volume = [](const std::u16string& label, uint32_t si = 0x06, const std::u16string& name = u"$Volume",
                     uint32_t size = 1024) {
        Bytes value;
        for (char16_t c : label) value.push_back(uint8_t(c)), value.push_back(uint8_t(c >> 8));
        return NtfsRecordBuilder(size)
            .RecordNumber(3)
            .AddStandardInformation(si)
            .AddFileName(5, name)
            .AddResident(0x60, value)
            .Build();
    };
    std::string label;
    ASSERT_TRUE(GetVolumeLabel(volume(u"Daten \u00FC"), label));
    EXPECT_EQ(label, "Daten \xC3\xBC");
    EXPECT_FALSE(GetVolumeLabel(volume(u"x", 0x20), label));
    EXPECT_FALSE(GetVolumeLabel(volume(u"x", 0x06, u"$Volume2"), label));
    ASSERT_TRUE(GetVolumeLabel(volume(std::u16string(100, u'\u00E9')), label));
    EXPECT_EQ(label.size(), 80u); // 40 two-byte characters, cut on a character boundary
    ASSERT_TRUE(GetVolumeLabel(volume(u"", 0x06), label));
    EXPECT_EQ(label, "");

    // Next to the $MFT record on a device with 4096-byte sectors and records.
    MemoryDevice big(64, 4096);
    const Bytes rec = volume(u"BIG", 0x06, u"$Volume", 4096);
    big.Write((10 + 3) * 4096, rec.data(), rec.size());
    label.clear();
    EXPECT_TRUE(ReadVolumeLabelNearMft(10, &big, label, 4096));
    EXPECT_EQ(label, "BIG");
    EXPECT_FALSE(ReadVolumeLabelNearMft(-1, &big, label, 4096));
    EXPECT_FALSE(ReadVolumeLabelNearMft(10, &big, label, 8192));
    big.FailSector(13);
    EXPECT_FALSE(ReadVolumeLabelNearMft(10, &big, label, 4096));

    // Through the boot sector: $MFT at cluster 4 of 8 sectors, partition at sector 63.
    MemoryDevice small(4096, 512);
    const Bytes rec2 = volume(u"SMALL");
    small.Write((63 + 32 + 6) * 512, rec2.data(), rec2.size());
    CNTFSDBR dbr;
    ASSERT_TRUE(dbr.Attach(MakeNtfsBootSector(512, 8, -10, 4000, 4)));
    CNtfsVolumeLabelReader reader(&small);
    label.clear();
    EXPECT_TRUE(reader.ReadLabel(63, dbr, label));
    EXPECT_EQ(label, "SMALL");
}

TEST(NtfsAttributeWrappers, OutliveTheirRecord)
{
    std::unique_ptr<CNTFSFileRecordFileNameAttribute> name;
    std::unique_ptr<CNTFSFileRecordDataRunsAttribute> runs;
    {
        const Bytes r = NtfsRecordBuilder()
                            .AddFileName(5, u"kept.txt")
                            .AddNonResident(0x80, NtfsPackRuns({{40, 2}, {-1, 1}}), 10, 12, 0, 0, 0)
                            .BuildPlain();
        name = std::make_unique<CNTFSFileRecordFileNameAttribute>(FindAttribute(r, 0x30));
        runs = std::make_unique<CNTFSFileRecordDataRunsAttribute>(FindAttribute(r, 0x80));
    }
    EXPECT_EQ(name->Get().GetFNName(), u"kept.txt");
    EXPECT_EQ(runs->GetRunList().Runs(), (std::vector<CNTFSRun>{{40, 10, 2}, {-1, 12, 1}}));
    const Bytes resident = NtfsRecordBuilder().AddResident(0x80, Bytes(3, 0)).BuildPlain();
    EXPECT_TRUE(CNTFSFileRecordDataRunsAttribute(FindAttribute(resident, 0x80)).GetRunList().empty());
}
