// NTFS file properties: how they are built from a record group, their stream form, and the two readers
// that fetch data from a found file's record.
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "filesystems/ntfs/NtfsFoundFileReaders.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/ScopedExtensionFilter.h"
#include "tests/support/MemoryRSData.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testsupport;

namespace {

constexpr uint64_t kSector = 200;

std::unique_ptr<CNTFSFileProperties> Build(const Bytes& record, int64_t* parent = nullptr,
                                           uint32_t bytesPerCluster = 4096, IStorageDevice* device = nullptr,
                                           const std::vector<CNTFSExtensionEntry>* extensions = nullptr)
{
    CNTFSFileRecordGroup group(record, kSector, device, extensions);
    return BuildNTFSFileProperties(group, kSector, bytesPerCluster, parent);
}

NtfsTimes Times(uint64_t base)
{
    NtfsTimes t;
    t.creation = base + 1;
    t.modification = base + 2;
    t.mftChange = base + 3;
    t.access = base + 4;
    return t;
}

std::vector<DataRun> Runs(const CNTFSFileProperties& p)
{
    std::unique_ptr<IDataRunList> list(p.GetDataRunList());
    if (!list) return {};
    return {list->GetRuns().begin(), list->GetRuns().end()};
}

using ScopedFilter = ScopedExtensionFilter;

} // namespace

TEST(NtfsFileProperties, NameChoiceAndParent)
{
    struct Case {
        const char* name;
        uint64_t parent0;
        uint8_t ns0;
        uint64_t parent1;
        uint8_t ns1; // 0xFF: no second name
        const char* expectedName;
        int64_t expectedParent;
    };
    const Case cases[] = {
        {"Win32 second name wins", 40, 2, 40, 1, "Long File Name.txt", 40},
        {"a second name in namespace 3 leaves the first", 40, 1, 40, 3, "SHORT~1.TXT", 40},
        {"only one name", 41, 3, 0, 0xFF, "SHORT~1.TXT", 41},
        {"parents 3 and 40 go under 40", 3, 2, 40, 1, "Long File Name.txt", 40},
        {"parents 40 and 3 go under 40", 40, 2, 3, 1, "Long File Name.txt", 40},
        {"parents 2 and 4 keep the chosen name's", 2, 2, 4, 1, "Long File Name.txt", 4},
        {"the record number part only", 0x0005000000000030ull, 2, 0x0007000000000030ull, 1, "Long File Name.txt", 0x30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NtfsRecordBuilder b;
        b.AddStandardInformation(0x20).AddFileName(c.parent0, u"SHORT~1.TXT", c.ns0);
        if (c.ns1 != 0xFF) b.AddFileName(c.parent1, u"Long File Name.txt", c.ns1);
        int64_t parent = -7;
        auto p = Build(b.Build(), &parent);
        ASSERT_TRUE(p);
        EXPECT_STREQ(p->GetName(), c.expectedName);
        EXPECT_EQ(p->GetNameLength(), int(std::strlen(c.expectedName)));
        EXPECT_EQ(parent, c.expectedParent);
    }
}

TEST(NtfsFileProperties, TimesAttributesAndState)
{
    // Without $STANDARD_INFORMATION the three times come from the name, each from its own field.
    auto noSi = Build(NtfsRecordBuilder().AddFileName(5, u"a.txt", 1, 0, 10, Times(100)).Build());
    ASSERT_TRUE(noSi);
    EXPECT_EQ(noSi->GetCreationTime(), 101u);
    EXPECT_EQ(noSi->GetModificationTime(), 102u);
    EXPECT_EQ(noSi->GetAccessTime(), 104u);
    EXPECT_EQ(noSi->GetState(), 0);
    EXPECT_EQ(noSi->GetRecordSector(), kSector);
    EXPECT_EQ(noSi->GetValidMask(), 0xFF);
    EXPECT_EQ(noSi->GetPropertiesType(), kPropertiesNTFS);
    EXPECT_EQ(noSi->GetDescription(), "");

    // $STANDARD_INFORMATION replaces them and adds read-only, hidden, system and archive only.
    auto withSi = Build(NtfsRecordBuilder()
                            .Flags(0) // not in use: deleted
                            .AddStandardInformation(0x0827, Times(200))
                            .AddFileName(5, u"b.txt", 1, 0, 10, Times(100))
                            .Build());
    ASSERT_TRUE(withSi);
    EXPECT_EQ(withSi->GetCreationTime(), 201u);
    EXPECT_EQ(withSi->GetModificationTime(), 202u);
    EXPECT_EQ(withSi->GetAccessTime(), 204u);
    EXPECT_EQ(withSi->GetAttributes(), 0x27);
    EXPECT_EQ(withSi->GetState(), kFileStateDeleted);

    auto folder = Build(NtfsRecordBuilder().Flags(3).AddFileName(5, u"Docs", 1, 0x10000000).Build());
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->GetAttributes(), 0x10);
    EXPECT_EQ(folder->GetSize(), 0u);
    EXPECT_EQ(folder->GetDataRunList(), nullptr);

    // Compressed and encrypted at once reports encrypted only; compressed alone stays.
    auto both = Build(NtfsRecordBuilder()
                          .AddFileName(5, u"c.bin")
                          .AddNonResident(0x80, NtfsPackRuns({{10, 1}}), 0, 0, 4096, 100, 100, u"", 0x4001)
                          .Build());
    EXPECT_EQ(both->GetAttributes(), 0x40);
    auto compressed = Build(NtfsRecordBuilder()
                                .AddFileName(5, u"c.bin")
                                .AddNonResident(0x80, NtfsPackRuns({{10, 1}}), 0, 0, 4096, 100, 100, u"", 0x0001)
                                .Build());
    EXPECT_EQ(compressed->GetAttributes(), 0x800);
}

TEST(NtfsFileProperties, RecordsThatYieldNoFile)
{
    EXPECT_FALSE(Build(NtfsRecordBuilder().AddStandardInformation(0).Build())); // no name
    EXPECT_FALSE(Build(NtfsRecordBuilder().AddFileName(5, u"").Build()));
    Bytes notARecord(1024, 0);
    EXPECT_FALSE(Build(notARecord));
}

TEST(NtfsFileProperties, SizeFromRunsNameAndFirstExtent)
{
    struct Case {
        const char* name;
        uint64_t nameSize;
        uint64_t extentSize;
        uint32_t bytesPerCluster;
        uint64_t expected;
    };
    const Case cases[] = {
        {"extent claims more than the clusters hold", 0, 20000, 4096, 12288},
        {"name and extent claim nothing", 0, 0, 4096, 12288},
        {"extent size wins over a smaller name size", 100, 5000, 4096, 5000},
        {"name size larger than the extent's stays", 9000, 5000, 4096, 9000},
        {"a cluster size that is not a multiple of 512 leaves the size alone", 0, 20000, 1000, 20000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto p =
            Build(NtfsRecordBuilder()
                      .AddFileName(5, u"d.bin", 1, 0, c.nameSize)
                      .AddNonResident(0x80, NtfsPackRuns({{50, 2}, {-1, 1}}), 0, 2, 12288, c.extentSize, c.extentSize)
                      .Build(),
                  nullptr, c.bytesPerCluster);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->GetSize(), c.expected);
    }
    auto p = Build(NtfsRecordBuilder()
                       .AddFileName(5, u"d.bin")
                       .AddNonResident(0x80, NtfsPackRuns({{50, 2}, {-1, 1}}), 0, 2, 12288, 100, 100)
                       .Build());
    EXPECT_EQ(Runs(*p), (std::vector<DataRun>{{50, 2}, {kSparseCluster, 1}}));
}

TEST(NtfsFileProperties, ExtentsAcrossExtensionRecordsAreMergedInVcnOrder)
{
    MemoryDevice device(512, 512);
    const Bytes ext = NtfsRecordBuilder()
                          .BaseReference(40)
                          .AddNonResident(0x80, NtfsPackRuns({{900, 4}}), 2, 5, 0, 0, 0)
                          .AddNonResident(0x80, NtfsPackRuns({{7, 1}}), 0, 0, 0, 0, 0, u"ads")
                          .Build();
    device.Write(300 * 512, ext.data(), ext.size());
    const Bytes base = NtfsRecordBuilder()
                           .RecordNumber(40)
                           .AddFileName(5, u"frag.bin", 1, 0, 0)
                           .AddNonResident(0x80, NtfsPackRuns({{100, 2}}), 0, 1, 6 * 4096, 6 * 4096 - 10, 6 * 4096 - 10)
                           .Build();
    const std::vector<CNTFSExtensionEntry> extensions = {{300, 41}};
    auto p = Build(base, nullptr, 4096, &device, &extensions);
    ASSERT_TRUE(p);
    EXPECT_EQ(Runs(*p), (std::vector<DataRun>{{100, 2}, {900, 4}}));
    EXPECT_EQ(p->GetSize(), 6u * 4096 - 10);
}

TEST(NtfsFileProperties, ResidentDataRun)
{
    NtfsRecordBuilder b;
    b.AddStandardInformation(0).AddFileName(5, u"small.txt").AddResident(0x80, Bytes(300, 'x'));
    const Bytes r = b.Build();
    auto p = Build(r);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->GetSize(), 300u);
    std::unique_ptr<IDataRunList> list(p->GetDataRunList());
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->IsResident());
    EXPECT_EQ(list->GetResidentOffset(), int(b.AttributeOffset(2) + 0x18));
    EXPECT_EQ(Runs(*p), (std::vector<DataRun>{{int64_t(kSector), 1}}));
}

TEST(NtfsFileProperties, ExtensionFilterAndPhotoMode)
{
    auto file = [](const std::u16string& name) { return NtfsRecordBuilder().AddFileName(5, name).Build(); };
    auto folder = [](const std::u16string& name) {
        return NtfsRecordBuilder().Flags(3).AddFileName(5, name, 1, 0x10000000).Build();
    };
    {
        ScopedFilter filter({".jpg", ".doc"});
        EXPECT_TRUE(Build(file(u"photo.JPG")));
        EXPECT_TRUE(Build(file(u"a.b.doc")));
        EXPECT_FALSE(Build(file(u"notes.txt")));
        EXPECT_FALSE(Build(file(u"README")));
        EXPECT_TRUE(Build(folder(u"README")));
    }
    EXPECT_TRUE(Build(file(u"README")));

    GetRecoverySettings()->m_photoMode = 1;
    EXPECT_TRUE(Build(file(u"photo.jpg")));
    EXPECT_FALSE(Build(file(u"notes.txt")));
    EXPECT_TRUE(Build(folder(u"Docs")));
    GetRecoverySettings()->m_photoMode = 0;
}

TEST(NtfsFileProperties, StreamFormRoundTrip)
{
    auto p = Build(NtfsRecordBuilder()
                       .AddStandardInformation(0x21, Times(500))
                       .AddFileName(5, u"R\u00E9sum\u00E9.doc")
                       .AddNonResident(0x80, NtfsPackRuns({{77, 3}, {-1, 2}, {60, 1}}), 0, 5, 6 * 4096, 20000, 20000)
                       .Build());
    ASSERT_TRUE(p);
    p->SetExtensionRecords({{4000, 41}, {4002, 42}});
    p->SetCheckState(2);
    p->SetUserFlag(1);

    MemoryRSData out = MemoryRSData::Writer();
    p->Write(&out);
    // Saved states are read back by later versions: these bytes stay exactly as they are.
    EXPECT_EQ(HexOf(out.SectionBytes()),
              "0c0052c3a973756dc3a92e646f63204e0000000000002100f501000000000000f601000000000000f8010000"
              "0000000000c800000000000000010000000900000011034d01021101ef0000000200000000000000a00f0000"
              "000000002900000000000000a20f0000000000002a00000000000000");
    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    std::unique_ptr<CNTFSFileProperties> q(NewNTFSFileProperties());
    EXPECT_EQ(q->GetName(), std::string());
    EXPECT_EQ(q->GetDataRunList(), nullptr);
    q->Read(&in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_STREQ(q->GetName(), "R\xC3\xA9sum\xC3\xA9.doc");
    EXPECT_EQ(q->GetNameLength(), p->GetNameLength());
    EXPECT_EQ(q->GetSize(), 20000u);
    EXPECT_EQ(q->GetAttributes(), 0x21);
    EXPECT_EQ(q->GetCreationTime(), 501u);
    EXPECT_EQ(q->GetModificationTime(), 502u);
    EXPECT_EQ(q->GetAccessTime(), 504u);
    EXPECT_EQ(q->GetRecordSector(), kSector);
    EXPECT_EQ(Runs(*q), Runs(*p));
    EXPECT_EQ(q->GetExtensionRecords(), p->GetExtensionRecords());
    EXPECT_EQ(q->GetCheckState(), 0);
    EXPECT_EQ(q->GetUserFlag(), 0);

    // SetName counts the terminator, which the stored form then carries.
    CNTFSFileProperties named;
    named.SetName("LostFiles1");
    EXPECT_EQ(named.GetNameLength(), 11);
    EXPECT_EQ(named.SetUserFlag(1), 0);
    EXPECT_EQ(named.SetUserFlag(0), 1);
    MemoryRSData out2 = MemoryRSData::Writer();
    named.Write(&out2);
    const Bytes bytes = out2.SectionBytes();
    EXPECT_EQ(GetLe(bytes, 0, 2), 11u);
    EXPECT_EQ(bytes.size(), 2u + 11 + 8 + 2 + 24 + 1 + 8 + 4 + 8);
    MemoryRSData in2 = MemoryRSData::Reader(bytes);
    CNTFSFileProperties back;
    back.Read(&in2);
    EXPECT_STREQ(back.GetName(), "LostFiles1");
    EXPECT_TRUE(back.GetExtensionRecords().empty());

    Bytes damaged = bytes;
    PutLe(damaged, bytes.size() - 8, 1ull << 40, 8);
    MemoryRSData in3 = MemoryRSData::Reader(damaged);
    CNTFSFileProperties bad;
    try {
        bad.Read(&in3);
        ADD_FAILURE() << "a damaged extension count was accepted";
    } catch (const CRSException& e) {
        EXPECT_EQ(e.GetCode(), RS_ERROR_BAD_LENGTH);
    }
}

namespace {

// A volume node (first sector 1000, 2 sectors per cluster) with one file whose record lies at kSector.
struct FoundFile {
    explicit FoundFile(const Bytes& record, uint16_t attributes = 0) : device(4096, 512)
    {
        device.Write(kSector * 512, record.data(), record.size());
        volume.SetClusterGeometry(1000, 2);
        volume.AddChild(&node);
        MakeProperties(record, attributes);
        node.SetProperties(properties.get());
    }
    void MakeProperties(const Bytes& record, uint16_t attributes)
    {
        CNTFSFileRecordGroup group(record, kSector, &device, nullptr);
        properties = BuildNTFSFileProperties(group, kSector, 1024);
        if (!properties) properties = std::make_unique<CNTFSFileProperties>();
        properties->SetRecordSector(kSector);
        properties->SetAttributes(properties->GetAttributes() | attributes);
    }
    ~FoundFile() { volume.RemoveChild(&node); }

    MemoryDevice device;
    CFileSystemNode volume;
    CFileNode node;
    std::unique_ptr<CNTFSFileProperties> properties;
};

Bytes EfsStream(size_t length)
{
    Bytes b(length, 0);
    for (size_t i = 8; i < length; ++i) b[i] = uint8_t(i * 3);
    PutLe(b, 0, length, 8);
    return b;
}

} // namespace

TEST(NtfsFoundFileReaders, ResidentData)
{
    FoundFile f(NtfsRecordBuilder()
                    .AddFileName(5, u"small.txt")
                    .AddResident(0x80, Bytes(7, 'q'), u"ads")
                    .AddResident(0x80, Bytes(300, 'x'))
                    .Build());
    Bytes buffer(4096, 0);
    uint64_t length = 0;
    ASSERT_TRUE(NtfsReadResidentFileData(&f.node, &f.device, &length, buffer.data(), buffer.size()));
    EXPECT_EQ(length, 300u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(buffer[299], 'x');
    EXPECT_TRUE(NtfsReadResidentFileData(&f.node, &f.device, &length, buffer.data(), 300));
    EXPECT_FALSE(NtfsReadResidentFileData(&f.node, &f.device, &length, buffer.data(), 299));
    EXPECT_FALSE(NtfsReadResidentFileData(&f.volume, &f.device, &length, buffer.data(), buffer.size()));
    EXPECT_FALSE(NtfsReadResidentFileData(&f.node, nullptr, &length, buffer.data(), buffer.size()));

    FoundFile nonResident(NtfsRecordBuilder()
                              .AddFileName(5, u"big.bin")
                              .AddNonResident(0x80, NtfsPackRuns({{5, 1}}), 0, 0, 1024, 700, 700)
                              .Build());
    EXPECT_FALSE(
        NtfsReadResidentFileData(&nonResident.node, &nonResident.device, &length, buffer.data(), buffer.size()));
    FoundFile folder(NtfsRecordBuilder().AddFileName(5, u"dir").AddResident(0x80, Bytes(3, 1)).Build(), 0x10);
    EXPECT_FALSE(NtfsReadResidentFileData(&folder.node, &folder.device, &length, buffer.data(), buffer.size()));

    CFileNode plain;
    CMyFileProperties other;
    plain.SetProperties(&other);
    EXPECT_FALSE(NtfsReadResidentFileData(&plain, &f.device, &length, buffer.data(), buffer.size()));
}

TEST(NtfsFoundFileReaders, EfsStreamResidentAndNonResident)
{
    const Bytes efs = EfsStream(600);
    FoundFile resident(NtfsRecordBuilder()
                           .AddFileName(5, u"secret.doc")
                           .AddResident(0x80, Bytes(1, 0))
                           .AddResident(0x100, efs, u"$EFS")
                           .Build());
    Bytes buffer(65536, 0xEE);
    uint64_t length = 0;
    ASSERT_TRUE(NtfsReadEfsAttribute(&resident.node, &resident.device, &length, buffer.data(), buffer.size()));
    EXPECT_EQ(length, 600u);
    EXPECT_TRUE(std::equal(efs.begin(), efs.end(), buffer.begin()));

    // Clusters 10 and 12 of the volume with a one-cluster hole between them (clusters of 1024 bytes).
    const Bytes stream = EfsStream(2500);
    FoundFile outside(
        NtfsRecordBuilder()
            .AddFileName(5, u"secret2.doc")
            .AddNonResident(0x100, NtfsPackRuns({{10, 1}, {-1, 1}, {12, 1}}), 0, 2, 3072, 2500, 2500, u"$EFS")
            .Build());
    outside.device.Write((1000 + 20) * 512, stream.data(), 1024);
    outside.device.Write((1000 + 24) * 512, stream.data() + 2048, 452);
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    ASSERT_TRUE(NtfsReadEfsAttribute(&outside.node, &outside.device, &length, buffer.data(), buffer.size()));
    EXPECT_EQ(length, 2500u);
    EXPECT_TRUE(std::equal(stream.begin(), stream.begin() + 1024, buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 1024, buffer.begin() + 2048, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(stream.begin() + 2048, stream.end(), buffer.begin() + 2048));
    for (const MemoryDevice::Read& r : outside.device.Reads()) EXPECT_TRUE(r.first == kSector || r.first >= 1000);

    // A buffer of two clusters stops before the third; the length is cut to the buffer.
    ASSERT_TRUE(NtfsReadEfsAttribute(&outside.node, &outside.device, &length, buffer.data(), 2048));
    EXPECT_EQ(length, 2048u);

    // The stream's own length must match the attribute's size.
    Bytes wrong = EfsStream(600);
    PutLe(wrong, 0, 601, 8);
    FoundFile mismatch(NtfsRecordBuilder().AddFileName(5, u"x.doc").AddResident(0x100, wrong, u"$EFS").Build());
    EXPECT_FALSE(NtfsReadEfsAttribute(&mismatch.node, &mismatch.device, &length, buffer.data(), buffer.size()));
    FoundFile none(NtfsRecordBuilder().AddFileName(5, u"plain.doc").Build());
    EXPECT_FALSE(NtfsReadEfsAttribute(&none.node, &none.device, &length, buffer.data(), buffer.size()));
    EXPECT_FALSE(NtfsReadEfsAttribute(&resident.node, &resident.device, &length, buffer.data(), 7));
}
