// Random and mutated boot sectors, FILE records, INDX records and mapping pairs through every parser: none may
// crash, hang, read outside its buffer (the ASan build checks that) or allocate by a size read from the bytes.
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsScanFindings.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"

#include "tests/support/MemoryDevice.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

#include <random>

using namespace testsupport;

namespace {

// Values that sit on the edges of the checks: zero, small, around record and buffer sizes, and huge.
constexpr uint64_t kInteresting[] = {
    0,    1,    2,    7,     8,     15,         16,         23,         24,         0x38,
    0x40, 0x48, 255,  256,   510,   511,        512,        1016,       1023,       1024,
    1025, 4095, 4096, 65535, 65536, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 1ull << 40, 0x7FFFFFFFFFFFFFFFull,
    ~0ull};

class Mutator {
public:
    explicit Mutator(uint32_t seed) : m_rng(seed) {}

    uint64_t Below(uint64_t n) { return n == 0 ? 0 : std::uniform_int_distribution<uint64_t>(0, n - 1)(m_rng); }

    Bytes Mutate(Bytes b)
    {
        const int edits = 1 + int(Below(8));
        for (int e = 0; e < edits && !b.empty(); ++e) {
            const size_t at = Below(b.size());
            switch (Below(5)) {
            case 0: b[at] ^= uint8_t(1u << Below(8)); break;
            case 1: b[at] = uint8_t(Below(256)); break;
            case 2: {
                const unsigned width = 1u << Below(4); // 1, 2, 4 or 8 bytes
                const uint64_t v = kInteresting[Below(std::size(kInteresting))];
                for (unsigned i = 0; i < width && at + i < b.size(); ++i) b[at + i] = uint8_t(v >> (8 * i));
                break;
            }
            case 3: { // a header field of the record or of its first attributes
                const size_t field = Below(std::min<size_t>(b.size(), 0x180)) & ~size_t(1);
                const uint64_t v = kInteresting[Below(std::size(kInteresting))];
                for (unsigned i = 0; i < 4 && field + i < b.size(); ++i) b[field + i] = uint8_t(v >> (8 * i));
                break;
            }
            default: // copy a run of bytes elsewhere, as torn or misplaced writes do
            {
                const size_t from = Below(b.size());
                const size_t n = std::min<size_t>(Below(64), std::min(b.size() - from, b.size() - at));
                std::copy(b.begin() + long(from), b.begin() + long(from + n), b.begin() + long(at));
                break;
            }
            }
        }
        if (Below(10) == 0) b.resize(Below(b.size() + 1)); // cut short
        return b;
    }

    Bytes Random(size_t n)
    {
        Bytes b(n);
        for (uint8_t& x : b) x = uint8_t(Below(256));
        return b;
    }

private:
    std::mt19937_64 m_rng;
};

std::vector<Bytes> SeedRecords()
{
    std::vector<Bytes> seeds;
    seeds.push_back(NtfsRecordBuilder()
                        .RecordNumber(40)
                        .AddStandardInformation(0x20)
                        .AddFileName(5, u"LONGNA~1.TXT", 2, 0, 300)
                        .AddFileName(5, u"Long name.txt", 1, 0, 300)
                        .AddResident(0x80, Bytes(300, 'x'))
                        .AddResident(0x80, Bytes(20, 'y'), u"ads")
                        .Build());
    seeds.push_back(
        NtfsRecordBuilder(4096)
            .AddStandardInformation(0x06)
            .AddFileName(5, u"$MFT")
            .AddNonResident(0x80, NtfsPackRuns({{4, 64}, {-1, 8}, {1000, 184}}), 0, 255, 1048576, 1048576, 1048576)
            .AddResident(0x100, Bytes(600, 1), u"$EFS")
            .Build());
    seeds.push_back(NtfsRecordBuilder()
                        .Flags(3)
                        .AddStandardInformation(0x10)
                        .AddFileName(5, u"Docs", 1, 0x10000000)
                        .AddResident(0x90,
                                     NtfsIndexRootValue({NtfsIndexEntry(70, 0x40, u"a"), NtfsIndexEntry(71, 0x40, u"b"),
                                                         NtfsIndexEnd()}),
                                     u"$I30")
                        .AddNonResident(0xA0, NtfsPackRuns({{300, 1}}), 0, 0, 4096, 4096, 4096, u"$I30")
                        .Build());
    seeds.push_back(NtfsRecordBuilder()
                        .AddStandardInformation(0x20)
                        .AddResident(0x20,
                                     [] {
                                         Bytes list;
                                         for (uint64_t r : {40, 41, 42, 43}) {
                                             const Bytes e = NtfsAttributeListEntry(0x30, r);
                                             list.insert(list.end(), e.begin(), e.end());
                                         }
                                         return list;
                                     }())
                        .AddFileName(5, u"many.txt")
                        .AddNonResident(0x80, NtfsPackRuns({{10, 2}}), 0, 1, 8192, 5000, 5000)
                        .Build());
    seeds.push_back(NtfsRecordBuilder()
                        .AddStandardInformation(0x06)
                        .AddFileName(5, u"$Volume")
                        .AddResident(0x60, Bytes{'L', 0, 'a', 0, 'b', 0})
                        .AddNonResident(0x20, NtfsPackRuns({{3, 1}}), 0, 0, 4096, 64, 64)
                        .Build());
    return seeds;
}

// Touches every accessor of an attribute so that each bounded read runs.
uint64_t TouchAttribute(const CNTFSAttributeHeader& a)
{
    uint64_t sum = a.GetType() + a.GetLength() + a.GetFlags() + a.GetNameLength() + a.GetName().size();
    sum += a.GetValue().size() + a.GetMappingPairs().size() + a.GetStartVcn() + a.GetLastVcn();
    sum += a.GetAllocatedSize() + a.GetDataSize() + a.GetInitializedSize() + a.HasSITimes();
    sum += a.GetSICreationTime() + a.GetSIFileAttributes() + a.GetFNParentReference() + a.GetFNRealSize();
    sum += a.GetFNFlags() + a.GetFNNamespace() + a.GetFNName().size() + a.IsCompressed() + a.IsEncrypted();
    return sum;
}

struct Reached {
    int valid = 0;
    int built = 0;
};

void ExerciseRecord(Bytes r, MemoryDevice& device, Mutator& m, Reached& reached)
{
    volatile uint64_t sink = 0;
    const Bytes given = r;
    sink = sink + IsFileRecordHeader(r) + CheckFixups(r);
    const bool valid = ValidateFileRecord(r);
    reached.valid += valid;
    EXPECT_EQ(r, given) << "validation must leave the buffer as given";
    for (uint32_t type : {0x10u, 0x20u, 0x30u, 0x60u, 0x80u, 0x90u, 0xA0u, 0x100u}) {
        sink = sink + CountAttributes(r, type);
        for (int n = 0; n < 3; ++n) sink = sink + TouchAttribute(FindAttribute(r, type, n));
    }
    sink = sink + IsFolderWithIndexAllocation(r) + IsMftRecord(std::span<const uint8_t>(r));
    sink = sink + NtfsIndexRootCommonParentRef(FindAttribute(r, 0x90));
    {
        CNTFSFileRecord view(r, false);
        EXPECT_EQ(view.IsValid(), valid);
        sink = sink + GetSystemFileNumber(view) + IsSystemMetafile(view) + view.HasRecordNumber();
        CNTFSRunList runs;
        uint64_t size = 0;
        sink = sink + CollectDataRuns(view.Record(), runs, m.Below(2) == 0, &size) + runs.size();
        uint8_t spc = 0;
        sink = sink + DeriveSectorsPerCluster(view.Record(), 512, spc);
        sink = sink + bool(NewMftCandidate(view, 100, 512)) + bool(NewMftMirrCandidate(view, 100, 512));
        CNTFSBitmapCandidate bitmap;
        sink = sink + bitmap.Fill(view, 100);
    }
    EXPECT_EQ(r, given) << "a record view must restore the buffer";
    CNTFSFolderCandidate folder;
    sink = sink + folder.Fill(r, 100, 512);
    std::string label;
    sink = sink + GetVolumeLabel(r, label) + label.size();
    sink = sink + ReadAttributeList(r, m.Below(4), uint32_t(1 + m.Below(8)), &device).size();

    std::vector<CNTFSExtensionEntry> extensions;
    for (uint64_t i = 0, n = m.Below(4); i < n; ++i)
        extensions.push_back({int64_t(m.Below(device.GetSectorCount() + 8)) - 4, m.Below(100)});
    CNTFSFileRecordGroup group(r, 100, &device, &extensions);
    int64_t parent = -1;
    auto properties =
        BuildNTFSFileProperties(group, 100, uint32_t(kInteresting[m.Below(std::size(kInteresting))]), &parent);
    if (properties) {
        ++reached.built;
        std::unique_ptr<IDataRunList> list(properties->GetDataRunList());
        sink = sink + properties->GetSize() + (list ? list->GetRunCount() : 0);
    }
    (void)sink;
}

} // namespace

TEST(NtfsFuzz, MutatedAndRandomFileRecords)
{
    Mutator m(0x5A1F1C5);
    const std::vector<Bytes> seeds = SeedRecords();
    // Extension records on the device: mutated copies of the seeds and random bytes.
    MemoryDevice device(96, 512);
    for (uint64_t s = 0; s + 2 <= 96; s += 2) {
        Bytes rec = s % 6 == 0 ? m.Random(1024) : m.Mutate(seeds[s % seeds.size()]);
        rec.resize(1024);
        device.Write(s * 512, rec.data(), rec.size());
    }
    Reached reached;
    for (int i = 0; i < 6000; ++i) {
        const Bytes& seed = seeds[i % seeds.size()];
        Bytes r = i % 10 == 9 ? m.Random(seed.size()) : m.Mutate(seed);
        if (i % 10 == 8) {
            // Random bytes behind a header that passes, so that the walk itself meets the garbage.
            Bytes g = m.Random(seed.size());
            std::copy(seed.begin(), seed.begin() + 0x38, g.begin());
            r = g;
        }
        ExerciseRecord(std::move(r), device, m, reached);
        if (HasFatalFailure()) return;
    }
    // The mutations must leave enough records intact for the deeper code to run, not only the rejections.
    EXPECT_GT(reached.valid, 1500);
    EXPECT_GT(reached.built, 1000);
}

TEST(NtfsFuzz, MutatedBootSectors)
{
    Mutator m(77);
    const Bytes seed = MakeNtfsBootSector();
    for (int i = 0; i < 5000; ++i) {
        const Bytes b = i % 7 == 6 ? m.Random(512) : m.Mutate(seed);
        CNTFSDBR dbr;
        if (IsNtfsBootSector(b)) {
            ASSERT_TRUE(dbr.Attach(b));
            const uint32_t record = dbr.GetBytesPerFileRecord();
            ASSERT_TRUE(record >= 1024 && record <= 4096 && (record & (record - 1)) == 0);
            ASSERT_GE(record, dbr.GetBytesPerSector());
        } else {
            ASSERT_FALSE(dbr.Attach(b));
        }
        const uint32_t index = GetBytesPerIndexRecord(b);
        ASSERT_TRUE(index == 0 || (index <= 65536 && (index & (index - 1)) == 0));
    }
}

TEST(NtfsFuzz, MutatedIndexRecordsAndLogPages)
{
    Mutator m(1234);
    const Bytes seed =
        NtfsIndxRecord({NtfsIndexEntry(100, 0x40, u"a.txt"), NtfsIndexEntry(101, 0x40, u"b.txt"), NtfsIndexEnd()});
    Bytes rcrd(4096, 0);
    rcrd[0] = 'R', rcrd[1] = 'C', rcrd[2] = 'R', rcrd[3] = 'D';
    PutLe(rcrd, 4, 40, 2);
    PutLe(rcrd, 6, 9, 2);
    NtfsProtect(rcrd, 7);
    for (int i = 0; i < 5000; ++i) {
        Bytes r = m.Mutate(seed);
        const Bytes given = r;
        volatile bool sink = NtfsCheckAndFixIndxRecord(r);
        ASSERT_EQ(r, given);
        sink = NtfsIndxGetFirstParentRef(r) + NtfsIndxGetVcn(r) + NtfsIndxGetLsn(r) != 0;
        sink = NtfsIsValidRcrdPage(m.Mutate(rcrd));
        (void)sink;
    }
}

TEST(NtfsFuzz, RandomMappingPairs)
{
    Mutator m(99);
    MemoryDevice device(64, 512);
    for (int i = 0; i < 20000; ++i) {
        Bytes pairs =
            i % 2 ? m.Random(m.Below(40)) : m.Mutate(NtfsPackRuns({{100, 8}, {-1, 4}, {90, 16}, {1ll << 40, 3}}));
        CNTFSRunList list;
        const size_t n = DecodeRunList(pairs, list);
        ASSERT_LE(n, pairs.size()); // at least one byte per run: the list is bounded by the bytes
        if (IsValidRunList(pairs)) {
            for (const CNTFSRun& r : list.Runs())
                ASSERT_TRUE(r.IsSparse() || r.lcn < (1ll << 32) || r.lcn >= -(1ll << 32));
        }
        volatile int64_t sink =
            list.VcnToLcn(m.Below(64)) + list.LcnToVcn(int64_t(m.Below(200))) + GetMappingPairsLength(pairs);
        Bytes buffer(m.Below(8) * 512);
        sink = sink + ReadNonResidentData(pairs, buffer, m.Below(70), uint32_t(1 + m.Below(8)), &device);
        (void)sink;
    }
}
