// INDX index records, $INDEX_ROOT parent references and $LogFile RCRD pages.
#include "filesystems/ntfs/NtfsIndexRecords.h"

#include "filesystems/ntfs/NtfsFileRecord.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr uint64_t kFolder = 0x0003000000000040ull; // record 0x40, sequence 3

Bytes Indx(std::vector<Bytes> entries, uint32_t size = 4096)
{
    entries.push_back(NtfsIndexEnd());
    return NtfsIndxRecord(entries, size, 7, 0x5000);
}

} // namespace

TEST(NtfsIndx, ConsistentRecordPassesAndIsLeftAsGiven)
{
    Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a.txt"), NtfsIndexEntry(101, kFolder, u"b.txt")});
    ASSERT_EQ(GetLe(r, 6, 2), 9u);
    ASSERT_EQ(GetLe(r, 0x18, 4), 0x28u);
    ASSERT_EQ(GetLe(r, 0x20, 4), 0xFE8u);
    const Bytes original = r;
    EXPECT_TRUE(NtfsIsIndxMagic(r));
    EXPECT_TRUE(NtfsCheckAndFixIndxRecord(r));
    EXPECT_EQ(r, original);
    EXPECT_EQ(NtfsIndxGetVcn(r), 7u);
    EXPECT_EQ(NtfsIndxGetLsn(r), 0x5000u);
    EXPECT_EQ(NtfsIndxGetFirstParentRef(r), 0x40);
}

TEST(NtfsIndx, SixtyFourKiBRecordsUseEveryUnit)
{
    Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a.txt")}, 65536);
    ASSERT_EQ(GetLe(r, 6, 2), 129u);
    EXPECT_TRUE(NtfsCheckAndFixIndxRecord(r));
    PutLe(r, 100 * 512 - 2, 0x1234, 2);
    EXPECT_FALSE(NtfsCheckAndFixIndxRecord(r));
}

TEST(NtfsIndx, DamagedRecordsFail)
{
    struct Case {
        const char* name;
        std::function<Bytes()> make;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"entries of two folders",
         [] {
             return Indx({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEntry(101, kFolder + 1, u"b")});
         },
         false},
        {"same record, other sequence number",
         [] {
             return Indx({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEntry(101, kFolder ^ (1ull << 48), u"b")});
         },
         false},
        {"allocated size below the real size", [] { return Indx({NtfsIndexEntry(100, kFolder, u"a", 0, 100, 200)}); },
         false},
        {"a sub-node entry is not checked",
         [] {
             return Indx({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEntry(101, 9, u"b", 1)});
         },
         true},
        {"torn unit",
         [] {
             Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
             r[3 * 512 - 2] ^= 1;
             return r;
         },
         false},
        {"count that does not match the allocated size",
         [] {
             Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
             PutLe(r, 0x20, 0x7E8, 4);
             return r;
         },
         false},
        {"used size above the allocated size",
         [] {
             Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
             PutLe(r, 0x1C, 0xFF0, 4);
             return r;
         },
         false},
        {"update-sequence offset 38",
         [] {
             Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
             PutLe(r, 4, 38, 2);
             return r;
         },
         false},
        {"magic",
         [] {
             Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
             r[0] = 'J';
             return r;
         },
         false},
        {"entries running past the buffer",
         [] {
             Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
             PutLe(r, 0x40 + 8, 0, 2); // the first entry's length
             PutLe(r, 0x40 + 12, 0, 2);
             PutLe(r, 0x18, 0xFD0, 4); // entries start near the end: their key lies outside
             PutLe(r, 0x1C, 0xFE0, 4);
             PutLe(r, 0x20, 0xFE8, 4);
             return r;
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes r = c.make();
        EXPECT_EQ(NtfsCheckAndFixIndxRecord(r), c.ok);
    }
    Bytes r = Indx({NtfsIndexEntry(100, kFolder, u"a")});
    EXPECT_FALSE(NtfsCheckAndFixIndxRecord(std::span<uint8_t>(r.data(), 2048))); // record larger than the buffer
    EXPECT_FALSE(NtfsCheckAndFixIndxRecord(std::span<uint8_t>(r.data(), 3)));
    EXPECT_EQ(NtfsIndxGetFirstParentRef(std::span<const uint8_t>(r.data(), 0x50)), -1);
}

TEST(NtfsIndexRoot, CommonParentOfItsEntries)
{
    auto rootOf = [](std::vector<Bytes> entries) {
        entries.push_back(NtfsIndexEnd());
        return NtfsRecordBuilder().Flags(3).AddResident(0x90, NtfsIndexRootValue(entries), u"$I30").BuildPlain();
    };
    const Bytes same = rootOf({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEntry(101, kFolder, u"b")});
    EXPECT_EQ(NtfsIndexRootCommonParentRef(FindAttribute(same, 0x90)), 0x40);
    const Bytes mixed = rootOf({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEntry(101, 77, u"b")});
    EXPECT_EQ(NtfsIndexRootCommonParentRef(FindAttribute(mixed, 0x90)), -1);
    const Bytes empty = rootOf({});
    EXPECT_EQ(NtfsIndexRootCommonParentRef(FindAttribute(empty, 0x90)), -1);
    // An entry without a name ends the walk before it is compared.
    const Bytes nameless = rootOf({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEntry(101, 77, u"")});
    EXPECT_EQ(NtfsIndexRootCommonParentRef(FindAttribute(nameless, 0x90)), 0x40);
    // The used size claims more than the value holds.
    Bytes value = NtfsIndexRootValue({NtfsIndexEntry(100, kFolder, u"a"), NtfsIndexEnd()});
    PutLe(value, 20, 4000, 4);
    const Bytes overclaimed = NtfsRecordBuilder().AddResident(0x90, value).BuildPlain();
    EXPECT_EQ(NtfsIndexRootCommonParentRef(FindAttribute(overclaimed, 0x90)), -1);
    const Bytes nonResident =
        NtfsRecordBuilder().AddNonResident(0x90, NtfsPackRuns({{5, 1}}), 0, 0, 4096, 4096, 4096).BuildPlain();
    EXPECT_EQ(NtfsIndexRootCommonParentRef(FindAttribute(nonResident, 0x90)), -1);
    EXPECT_EQ(NtfsIndexRootCommonParentRef(CNTFSAttributeHeader()), -1);
}

TEST(NtfsRcrd, PageTest)
{
    auto page = [] {
        Bytes p(4096, 0);
        p[0] = 'R', p[1] = 'C', p[2] = 'R', p[3] = 'D';
        PutLe(p, 4, 40, 2);
        PutLe(p, 6, 9, 2);
        NtfsProtect(p, 0x0777);
        return p;
    };
    EXPECT_TRUE(NtfsIsValidRcrdPage(page()));
    EXPECT_TRUE(NtfsIsRcrdMagic(page()));
    Bytes torn = page();
    PutLe(torn, 8 * 512 - 2, 1, 2);
    EXPECT_FALSE(NtfsIsValidRcrdPage(torn));
    Bytes count = page();
    PutLe(count, 6, 8, 2);
    EXPECT_FALSE(NtfsIsValidRcrdPage(count));
    Bytes offset = page();
    PutLe(offset, 4, 48, 2);
    EXPECT_FALSE(NtfsIsValidRcrdPage(offset));
    const Bytes p = page();
    EXPECT_FALSE(NtfsIsValidRcrdPage(std::span<const uint8_t>(p).first(2048)));
    EXPECT_FALSE(NtfsIsRcrdMagic(std::span<const uint8_t>(p).first(3)));
}
