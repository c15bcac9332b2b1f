// FILE records: header test, update-sequence fix-ups, attribute walk and validation, record views.
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsStructures.h"

#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

Bytes Pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(seed + i * 13);
    return b;
}

Bytes SimpleRecord()
{
    return NtfsRecordBuilder()
        .RecordNumber(40)
        .AddStandardInformation(0x20)
        .AddFileName(5, u"report.txt", 1, 0, 300)
        .AddResident(0x80, Pattern(300, 7))
        .Build();
}

} // namespace

TEST(NtfsFileRecord, ValidRecordIsLeftAsGivenAndItsAttributesAreFound)
{
    Bytes r = SimpleRecord();
    const Bytes original = r;
    ASSERT_TRUE(IsFileRecordHeader(r));
    ASSERT_TRUE(CheckFixups(r));
    ASSERT_TRUE(ValidateFileRecord(r));
    EXPECT_EQ(r, original);

    CNTFSFileRecord view(r, false);
    ASSERT_TRUE(view.IsValid());
    EXPECT_TRUE(view.FixupsApplied());
    EXPECT_TRUE(view.IsInUse());
    EXPECT_FALSE(view.IsDirectory());
    EXPECT_FALSE(view.IsExtension());
    EXPECT_TRUE(view.HasRecordNumber());
    EXPECT_EQ(view.GetRecordNumber(), 40u);
    EXPECT_EQ(view.CountAttributes(ntfs::kAttrFileName), 1);
    const CNTFSAttributeHeader fn = view.FindAttribute(ntfs::kAttrFileName);
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn.GetFNParentReference(), 5u);
    EXPECT_EQ(fn.GetFNName(), u"report.txt");
    EXPECT_EQ(fn.GetFNRealSize(), 300u);
    EXPECT_EQ(fn.GetFNNamespace(), 1);
    EXPECT_TRUE(CompareFileName(fn, u"report.txt"));
    EXPECT_FALSE(CompareFileName(fn, u"Report.txt"));
    EXPECT_FALSE(CompareFileName(fn, u"report.tx"));
    const CNTFSAttributeHeader data = view.FindAttribute(ntfs::kAttrData);
    ASSERT_TRUE(data);
    EXPECT_EQ(Bytes(data.GetValue().begin(), data.GetValue().end()), Pattern(300, 7));
    EXPECT_FALSE(view.FindAttribute(ntfs::kAttrData, 1));
    EXPECT_FALSE(view.FindAttribute(ntfs::kAttrIndexRoot));
    // The view fixed the caller's buffer in place; leaving scope restores it.
    EXPECT_NE(r, original);
}

TEST(NtfsFileRecord, ViewRestoresTheBufferAtScopeEnd)
{
    Bytes r = SimpleRecord();
    const Bytes original = r;
    {
        CNTFSFileRecord view(r, false);
        ASSERT_TRUE(view.IsValid());
    }
    EXPECT_EQ(r, original);
    {
        CNTFSFileRecord copy(r, true);
        ASSERT_TRUE(copy.IsValid());
        EXPECT_EQ(r, original);
    }
}

TEST(NtfsFileRecord, EveryUnitOfA4096ByteRecordIsFixedUp)
{
    // A resident value that crosses every 512-byte unit boundary of the record.
    const Bytes value = Pattern(3600, 1);
    Bytes r = NtfsRecordBuilder(4096).AddFileName(5, u"big").AddResident(0x80, value).Build();
    ASSERT_EQ(GetLe(r, 6, 2), 9u);
    const CNTFSFileRecord view{std::span<const uint8_t>(r)};
    ASSERT_TRUE(view.IsValid());
    const auto got = view.FindAttribute(ntfs::kAttrData).GetValue();
    EXPECT_EQ(Bytes(got.begin(), got.end()), value);

    Bytes fixed = r;
    ASSERT_TRUE(ApplyFixups(fixed));
    ASSERT_TRUE(RestoreFixups(fixed));
    EXPECT_EQ(fixed, r);
}

TEST(NtfsFileRecord, TornUnitFailsTheFixupCheck)
{
    Bytes r = NtfsRecordBuilder(4096).AddFileName(5, u"big").AddResident(0x80, Pattern(3600, 1)).Build();
    PutLe(r, 6 * 512 - 2, 0x9999, 2); // unit 6 was not written with the rest
    EXPECT_FALSE(CheckFixups(r));
    Bytes copy = r;
    EXPECT_FALSE(ApplyFixups(copy));
    EXPECT_EQ(copy, r);
    // The attributes themselves are intact, so the record is still usable without its fix-ups.
    CNTFSFileRecord view(r, false);
    EXPECT_TRUE(view.IsValid());
    EXPECT_FALSE(view.FixupsApplied());
}

TEST(NtfsFileRecord, FixupsRefuseShortBuffers)
{
    Bytes r = SimpleRecord();
    std::span<uint8_t> shortBuffer(r.data(), 1000);
    EXPECT_FALSE(CheckFixups(shortBuffer));
    EXPECT_FALSE(ApplyFixups(shortBuffer));
    EXPECT_FALSE(RestoreFixups(shortBuffer));
    EXPECT_FALSE(ValidateFileRecord(shortBuffer));
}

TEST(NtfsFileRecord, HeaderTest)
{
    struct Case {
        const char* name;
        size_t offset;
        uint64_t value;
        unsigned width;
        bool ok;
    };
    const Case cases[] = {
        {"as built", 0, 'F', 1, true},
        {"magic", 0, 'B', 1, false},
        {"update-sequence count 17", 6, 17, 2, false},
        {"update-sequence count 0", 6, 0, 2, false},
        {"count above allocated / 512 + 1", 6, 4, 2, false},
        {"allocated 5120", 0x1C, 5120, 4, false},
        {"allocated 1536", 0x1C, 1536, 4, false},
        {"allocated 0", 0x1C, 0, 4, false},
        {"update-sequence offset 40", 4, 40, 2, false},
        {"update-sequence offset 258", 4, 258, 2, false},
        {"update-sequence offset 42", 4, 42, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes r = NtfsRecordBuilder().AddFileName(5, u"a").BuildPlain();
        PutLe(r, c.offset, c.value, c.width);
        EXPECT_EQ(IsFileRecordHeader(r), c.ok);
    }
}

TEST(NtfsFileRecord, AttributesBeyondTheFirstKiBOfA4096ByteRecordAreFound)
{
    Bytes r = NtfsRecordBuilder(4096)
                  .AddFileName(5, u"many")
                  .AddResident(0x80, Pattern(1200, 3), u"padding")
                  .AddResident(0x80, Pattern(40, 9))
                  .Build();
    const CNTFSFileRecord view{std::span<const uint8_t>(r)};
    ASSERT_TRUE(view.IsValid());
    const CNTFSAttributeHeader second = view.FindAttribute(ntfs::kAttrData, 1);
    ASSERT_TRUE(second);
    EXPECT_GT(second.GetOffset(), 1016u);
    EXPECT_EQ(second.GetValue().size(), 40u);
    EXPECT_EQ(view.CountAttributes(ntfs::kAttrData), 2);
}

TEST(NtfsFileRecord, WalkStaysInsideTheAllocatedRecord)
{
    // A 1024-byte record read into a 4096-byte buffer whose next record looks like more attributes.
    Bytes r = NtfsRecordBuilder().AddFileName(5, u"a").BuildPlain();
    // Remove the end marker so that the walk would run on without the allocated-size bound.
    for (size_t i = 0x98; i < 1024; ++i) r[i] = 0;
    Bytes big(4096, 0);
    std::copy(r.begin(), r.end(), big.begin());
    Bytes next = NtfsRecordBuilder().AddResident(0x80, Pattern(20, 1)).BuildPlain();
    std::copy(next.begin(), next.end(), big.begin() + 1024);
    EXPECT_EQ(CountAttributes(big, ntfs::kAttrData), 0);
    EXPECT_EQ(AttributeAreaEnd(big), 1024u);
}

TEST(NtfsFileRecord, DamagedAttributesInvalidateTheRecord)
{
    struct Case {
        const char* name;
        std::function<void(NtfsRecordBuilder&)> add;
        bool ok;
    };
    auto rawResident = [](uint32_t length, uint32_t valueLength, uint16_t valueOffset) {
        Bytes a(32, 0);
        PutLe(a, 0, 0x80, 4);
        PutLe(a, 4, length, 4);
        PutLe(a, 0x10, valueLength, 4);
        PutLe(a, 0x14, valueOffset, 2);
        return a;
    };
    const Case cases[] = {
        {"well formed", [](NtfsRecordBuilder& b) { b.AddFileName(5, u"ok.txt"); }, true},
        {"'?' in the name", [](NtfsRecordBuilder& b) { b.AddFileName(5, u"what?.txt"); }, false},
        {"'|' in the name", [](NtfsRecordBuilder& b) { b.AddFileName(5, u"a|b"); }, false},
        {"forbidden character after a zero is ignored",
         [](NtfsRecordBuilder& b) { b.AddFileName(5, std::u16string(u"ab\0?", 4)); }, true},
        {"name longer than its attribute",
         [](NtfsRecordBuilder& b) {
             Bytes v = NtfsFileNameValue(5, u"abc");
             v[64] = 200;
             b.AddResident(0x30, v);
         },
         false},
        {"resident value past the attribute", [&](NtfsRecordBuilder& b) { b.AddRaw(rawResident(32, 20, 24)); }, false},
        {"resident header shorter than 24 bytes", [&](NtfsRecordBuilder& b) { b.AddRaw(rawResident(16, 0, 0)); },
         false},
        {"attribute longer than the record", [&](NtfsRecordBuilder& b) { b.AddRaw(rawResident(4000, 0, 24)); }, false},
        {"length below the smallest header", [&](NtfsRecordBuilder& b) { b.AddRaw(rawResident(8, 0, 0)); }, false},
        {"$DATA mapping pairs with a 5-byte offset",
         [](NtfsRecordBuilder& b) {
             b.AddNonResident(0x80, {0x51, 1, 1, 2, 3, 4, 5, 0}, 0, 0, 4096, 10, 10);
         },
         false},
        {"$DATA mapping pairs without the closing zero",
         [](NtfsRecordBuilder& b) {
             Bytes a(72, 0);
             PutLe(a, 0, 0x80, 4);
             PutLe(a, 4, 72, 4);
             a[8] = 1;
             PutLe(a, 0x20, 0x40, 2);
             for (size_t i = 0x40; i < 72; i += 2) a[i] = 0x01, a[i + 1] = 0x05;
             b.AddRaw(a);
         },
         false},
        {"mapping-pairs offset past the attribute",
         [](NtfsRecordBuilder& b) {
             Bytes a(72, 0);
             PutLe(a, 0, 0xA0, 4);
             PutLe(a, 4, 72, 4);
             a[8] = 1;
             PutLe(a, 0x20, 80, 2);
             b.AddRaw(a);
         },
         false},
        {"non-resident header shorter than 64 bytes",
         [](NtfsRecordBuilder& b) {
             Bytes a(48, 0);
             PutLe(a, 0, 0xA0, 4);
             PutLe(a, 4, 48, 4);
             a[8] = 1;
             b.AddRaw(a);
         },
         false},
        {"unchecked mapping pairs of other types pass",
         [](NtfsRecordBuilder& b) {
             b.AddNonResident(0xA0, {0x51, 1, 1, 2, 3, 4, 5, 0}, 0, 0, 4096, 10, 10);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NtfsRecordBuilder b;
        b.AddStandardInformation(0);
        c.add(b);
        Bytes r = b.Build();
        EXPECT_EQ(ValidateFileRecord(r), c.ok);
        EXPECT_EQ(CNTFSFileRecord(std::span<const uint8_t>(r)).IsValid(), c.ok);
    }
}

TEST(NtfsFileRecord, ZeroLengthAttributeEndsTheWalk)
{
    Bytes r = NtfsRecordBuilder().AddFileName(5, u"a").AddResident(0x80, Pattern(10, 1)).BuildPlain();
    NtfsRecordBuilder layout;
    layout.AddFileName(5, u"a").AddResident(0x80, Pattern(10, 1)).BuildPlain();
    PutLe(r, layout.AttributeOffset(1) + 4, 0, 4);
    EXPECT_TRUE(ValidateAttributes(r));
    EXPECT_FALSE(FindAttribute(r, 0x80));
    EXPECT_TRUE(FindAttribute(r, 0x30));
}

TEST(NtfsFileRecord, FieldsOutsideTheAttributeReadAsZero)
{
    // $STANDARD_INFORMATION cut to 32 bytes of value: its times and attributes do not count.
    Bytes shortSi(32, 0xEE);
    Bytes r = NtfsRecordBuilder().AddResident(0x10, shortSi).AddFileName(5, u"x", 7).BuildPlain();
    const CNTFSAttributeHeader si = FindAttribute(r, 0x10);
    ASSERT_TRUE(si);
    EXPECT_FALSE(si.HasSITimes());
    EXPECT_EQ(si.GetSIFileAttributes(), 0u); // would lie past the attribute
    const CNTFSAttributeHeader fn = FindAttribute(r, 0x30);
    EXPECT_EQ(fn.GetFNNamespace(), 4); // 7 reads as 4

    const Bytes tiny = {0x30, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const CNTFSAttributeHeader t(tiny, 0);
    EXPECT_EQ(t.GetFNParentReference(), 0u);
    EXPECT_EQ(t.GetFNName(), u"");
    EXPECT_EQ(t.GetFNRealSize(), 0u);
    EXPECT_TRUE(t.GetValue().empty());
    EXPECT_FALSE(t.HasSITimes());
}

TEST(NtfsFileRecord, AttributeIndexFindsWhatTheWalkFinds)
{
    // Lookups through the index of a record must give exactly what the walk over the record gives: the same
    // attribute (offset and bytes) for every type and number, the same counts, on damaged layouts too.
    auto many = [](int count) {
        NtfsRecordBuilder b(4096);
        for (int i = 0; i < count; ++i) b.AddResident(i % 3 ? 0x80 : 0xC0, Pattern(8, uint8_t(i)), i % 2 ? u"s" : u"");
        return b.BuildPlain();
    };
    auto zeroLength = [] {
        NtfsRecordBuilder layout;
        Bytes r = layout.AddFileName(5, u"a").AddResident(0x80, Pattern(10, 1)).AddFileName(5, u"b").BuildPlain();
        PutLe(r, layout.AttributeOffset(1) + 4, 0, 4);
        return r;
    };
    auto shortOne = [] {
        NtfsRecordBuilder layout;
        Bytes r = layout.AddFileName(5, u"a").AddResident(0x80, Pattern(10, 1)).AddFileName(5, u"b").BuildPlain();
        PutLe(r, layout.AttributeOffset(1) + 4, 12, 4);
        return r;
    };
    auto cutByTheBuffer = [] {
        Bytes r = NtfsRecordBuilder().AddFileName(5, u"a").AddResident(0x80, Pattern(600, 1)).BuildPlain();
        r.resize(700);
        return r;
    };
    const struct {
        const char* name;
        Bytes record;
    } cases[] = {
        {"ordinary", NtfsRecordBuilder()
                         .AddStandardInformation(0x20)
                         .AddFileName(5, u"REPORT~1.TXT", 2)
                         .AddFileName(5, u"report.txt", 1)
                         .AddResident(0x80, Pattern(30, 2), u"stream")
                         .AddResident(0x80, Pattern(30, 3))
                         .BuildPlain()},
        {"as many attributes as the index holds", many(int(AttributeIndex::kCapacity))},
        {"more attributes than the index holds", many(30)},
        {"zero length ends the walk", zeroLength()},
        {"a length below the smallest header ends the walk", shortOne()},
        {"the buffer ends inside an attribute", cutByTheBuffer()},
        {"no record", Bytes(1024, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AttributeIndex index;
        IndexAttributes(c.record, index);
        for (uint32_t type : {0x10u, 0x20u, 0x30u, 0x80u, 0xC0u, 0xFFFFFFFFu}) {
            EXPECT_EQ(CountAttributes(c.record, index, type), CountAttributes(c.record, type)) << type;
            for (int n = -1; n < 32; ++n) {
                const CNTFSAttributeHeader walked = FindAttribute(c.record, type, n);
                const CNTFSAttributeHeader indexed = FindAttribute(c.record, index, type, n);
                ASSERT_EQ(bool(indexed), bool(walked)) << type << " #" << n;
                if (!walked) continue;
                EXPECT_EQ(indexed.GetOffset(), walked.GetOffset()) << type << " #" << n;
                EXPECT_EQ(indexed.Bytes().data(), walked.Bytes().data()) << type << " #" << n;
                EXPECT_EQ(indexed.Bytes().size(), walked.Bytes().size()) << type << " #" << n;
            }
        }
    }
}

TEST(NtfsMetafiles, NamesFlagsAndTheSystemFileTable)
{
    auto metafile = [](const std::u16string& name, uint32_t siAttributes, uint64_t base = 0) {
        return NtfsRecordBuilder()
            .BaseReference(base)
            .AddStandardInformation(siAttributes)
            .AddFileName(5, name)
            .Build();
    };
    const Bytes mft = metafile(u"$MFT", 0x06);
    EXPECT_TRUE(IsMftRecord(mft));
    EXPECT_FALSE(IsMftMirrRecord(mft));
    EXPECT_FALSE(IsMftRecord(metafile(u"$MFT", 0x04))); // without the hidden attribute
    EXPECT_FALSE(IsMftRecord(metafile(u"$mft", 0x06))); // case matters
    EXPECT_TRUE(IsVolumeRecord(metafile(u"$Volume", 0x06)));
    EXPECT_TRUE(IsUpCaseRecord(metafile(u"$UpCase", 0x06)));

    struct Case {
        std::u16string name;
        int number;
    };
    const Case cases[] = {{u"$MFT", 0},    {u"$Bitmap", 6},   {u".", 5},          {u"$UpCase", 10}, {u"$Extend", 11},
                          {u"$Quota", 32}, {u"$Reparse", 34}, {u"notes.txt", -1}, {u"$Secure2", -1}};
    for (const Case& c : cases) {
        const Bytes r = metafile(c.name, 0x06);
        const CNTFSFileRecord view{std::span<const uint8_t>(r)};
        EXPECT_EQ(GetSystemFileNumber(view), c.number);
        EXPECT_EQ(IsSystemMetafile(view), c.number >= 0);
    }
    const Bytes quotaPlain = metafile(u"$Quota", 0x20);
    EXPECT_FALSE(IsSystemMetafile(CNTFSFileRecord(std::span<const uint8_t>(quotaPlain))));
    const Bytes extension = metafile(u"$MFT", 0x06, 0x0001000000000000ull | 7);
    EXPECT_EQ(GetSystemFileNumber(CNTFSFileRecord(std::span<const uint8_t>(extension))), -1);
}

TEST(NtfsMetafiles, FolderWithIndexAllocation)
{
    const Bytes folder = NtfsRecordBuilder()
                             .Flags(3)
                             .AddFileName(5, u"dir")
                             .AddNonResident(0xA0, NtfsPackRuns({{100, 1}}), 0, 0, 4096, 4096, 4096, u"$I30")
                             .Build();
    EXPECT_TRUE(IsFolderWithIndexAllocation(folder));
    const Bytes file = NtfsRecordBuilder()
                           .Flags(1)
                           .AddNonResident(0xA0, NtfsPackRuns({{100, 1}}), 0, 0, 4096, 4096, 4096, u"$I30")
                           .Build();
    EXPECT_FALSE(IsFolderWithIndexAllocation(file));
    const Bytes small = NtfsRecordBuilder().Flags(3).AddFileName(5, u"dir").Build();
    EXPECT_FALSE(IsFolderWithIndexAllocation(small));
    EXPECT_FALSE(IsFolderWithIndexAllocation(std::span<const uint8_t>(folder).first(10)));
}
