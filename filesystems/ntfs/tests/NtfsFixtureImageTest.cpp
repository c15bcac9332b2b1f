// The NTFS readers on a volume made by mkntfs and ntfs-3g (tests/fixtures/make_ntfs_image.sh): boot sector,
// $MFT and system files, every file of the manifest with its content, the attribute list of a file with 121
// names, a named stream, a folder's INDX records and the volume label.
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsFoundFileReaders.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsScanFindings.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/ntfs/NtfsText.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/NtfsFixtureImage.h"

#include <gtest/gtest.h>

#include <map>

using namespace testsupport;

namespace {

class NtfsFixture : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_image = &NtfsFixtureImage::Small();
        if (s_image->bytes.empty()) return;
        s_device = new MemoryDevice(s_image->bytes, 512);
        s_dbr.Attach(std::span<const uint8_t>(s_image->bytes).first(512));
        std::vector<uint8_t> mft;
        ReadFileRecordAt(s_device, s_dbr.GetMftCluster() * s_dbr.GetSectorsPerCluster(), mft);
        const CNTFSFileRecord view{std::span<const uint8_t>(mft)};
        s_mft = NewMftCandidate(view, s_dbr.GetMftCluster() * s_dbr.GetSectorsPerCluster(), s_dbr.GetBytesPerSector())
                    .release();
    }
    static void TearDownTestSuite()
    {
        delete s_device;
        delete s_mft;
        s_device = nullptr;
        s_mft = nullptr;
    }
    void SetUp() override
    {
        if (s_image->bytes.empty()) GTEST_SKIP() << "the NTFS fixture image could not be decompressed";
        ASSERT_TRUE(s_mft);
    }

    static uint32_t Spc() { return s_dbr.GetSectorsPerCluster(); }
    static int64_t SectorOf(uint64_t record) { return MftRecordToSector(record, Spc(), 0, s_mft->GetRunList(), 2); }
    static std::vector<uint8_t> Record(uint64_t record)
    {
        std::vector<uint8_t> buffer;
        const int64_t sector = SectorOf(record);
        if (sector >= 0) ReadFileRecordAt(s_device, uint64_t(sector), buffer);
        return buffer;
    }
    static std::vector<CNTFSExtensionEntry> Extensions(const std::vector<uint8_t>& record, uint64_t sector)
    {
        return GetExtensionRecordSectors(record, sector, Spc(), 0, s_device, s_mft->GetRunList(), 2);
    }
    // Properties of a record with its extension records, and the parent its names give.
    static std::unique_ptr<CNTFSFileProperties> Properties(uint64_t record, int64_t* parent = nullptr)
    {
        const std::vector<uint8_t> bytes = Record(record);
        const uint64_t sector = uint64_t(SectorOf(record));
        const auto extensions = Extensions(bytes, sector);
        CNTFSFileRecordGroup group(bytes, sector, s_device, &extensions);
        auto p = BuildNTFSFileProperties(group, sector, s_image->bytesPerCluster, parent);
        if (p) p->SetExtensionRecords(extensions);
        return p;
    }
    // The path of a record through the parents its names give, up to the root folder.
    static std::string PathOf(uint64_t record)
    {
        std::string path;
        for (int depth = 0; depth < 16 && record != ntfs::kRootFolderRecord; ++depth) {
            int64_t parent = -1;
            auto p = Properties(record, &parent);
            if (!p || parent < 0) return "?" + path;
            path = "/" + std::string(p->GetName()) + path;
            record = uint64_t(parent);
        }
        return path;
    }

    static const NtfsFixtureImage* s_image;
    static MemoryDevice* s_device;
    static CNTFSDBR s_dbr;
    static CNTFSMftCandidate* s_mft;
};

const NtfsFixtureImage* NtfsFixture::s_image = nullptr;
MemoryDevice* NtfsFixture::s_device = nullptr;
CNTFSDBR NtfsFixture::s_dbr;
CNTFSMftCandidate* NtfsFixture::s_mft = nullptr;

} // namespace

TEST_F(NtfsFixture, BootSectorMftAndSystemFiles)
{
    EXPECT_EQ(s_dbr.GetBytesPerSector(), s_image->bytesPerSector);
    EXPECT_EQ(s_dbr.GetSectorsPerCluster() * s_dbr.GetBytesPerSector(), s_image->bytesPerCluster);
    EXPECT_EQ(s_dbr.GetBytesPerFileRecord(), s_image->bytesPerRecord);
    EXPECT_EQ(s_dbr.GetTotalSectors(), s_image->bytes.size() / 512 - 1);
    EXPECT_EQ(s_mft->GetSectorsPerCluster(), 8);
    EXPECT_EQ(uint64_t(s_mft->GetFirstCluster()), s_dbr.GetMftCluster());

    const auto mirrRecord = Record(1);
    const CNTFSFileRecord mirrView{std::span<const uint8_t>(mirrRecord)};
    EXPECT_TRUE(IsMftMirrRecord(mirrView));
    auto mirr = NewMftMirrCandidate(mirrView, uint64_t(SectorOf(1)), s_dbr.GetBytesPerSector());
    ASSERT_TRUE(mirr);
    EXPECT_EQ(uint64_t(mirr->GetFirstCluster()), s_dbr.GetMftMirrCluster());

    const auto bitmapRecord = Record(6);
    CNTFSBitmapCandidate bitmap;
    ASSERT_TRUE(bitmap.Fill(CNTFSFileRecord(std::span<const uint8_t>(bitmapRecord)), uint64_t(SectorOf(6))));
    EXPECT_GE(bitmap.GetDataSize() * 8, s_dbr.GetTotalSectors() / s_dbr.GetSectorsPerCluster());

    // Every system file up to $Extend is recognised by its name and flags.
    for (int n = 0; n <= 11; ++n) {
        SCOPED_TRACE(n);
        const auto r = Record(uint64_t(n));
        const CNTFSFileRecord view{std::span<const uint8_t>(r)};
        ASSERT_TRUE(view.IsValid());
        EXPECT_EQ(GetSystemFileNumber(view), n);
        EXPECT_TRUE(IsSystemMetafile(view));
        EXPECT_EQ(view.GetRecordNumber(), uint32_t(n));
    }
}

TEST_F(NtfsFixture, VolumeLabel)
{
    std::string label;
    EXPECT_TRUE(ReadVolumeLabelNearMft(s_mft->GetRecordSector(), s_device, label, s_dbr.GetBytesPerFileRecord()));
    EXPECT_EQ(label, s_image->label);
    label.clear();
    CNtfsVolumeLabelReader reader(s_device);
    EXPECT_TRUE(reader.ReadLabel(0, s_dbr, label));
    EXPECT_EQ(label, s_image->label);
}

TEST_F(NtfsFixture, FilesMatchTheManifest)
{
    CFileSystemNode volume;
    volume.SetClusterGeometry(0, int32_t(Spc()));
    for (const NtfsFixtureFile& f : s_image->files) {
        SCOPED_TRACE(f.path);
        int64_t parent = -1;
        auto p = Properties(f.record, &parent);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->GetSize(), f.size);
        EXPECT_EQ(p->GetState(), f.deleted ? kFileStateDeleted : 0);
        // A file with several names shows whichever its record lists first; the folder is the same for all.
        const bool linked = std::any_of(s_image->names.begin(), s_image->names.end(),
                                        [&](const NtfsFixtureNames& n) { return n.path == f.path && n.count > 1; });
        const std::string path = PathOf(f.record);
        if (linked) {
            EXPECT_EQ(path.substr(0, path.rfind('/')), f.path.substr(0, f.path.rfind('/')));
        } else {
            EXPECT_EQ(p->GetName(), f.Name());
            EXPECT_EQ(path, f.path);
        }

        std::unique_ptr<IDataRunList> runs(p->GetDataRunList());
        ASSERT_TRUE(runs);
        std::vector<uint8_t> content;
        if (runs->IsResident()) {
            CFileNode node;
            node.SetProperties(p.get());
            volume.AddChild(&node);
            content.resize(4096);
            uint64_t length = 0;
            EXPECT_TRUE(NtfsReadResidentFileData(&node, s_device, &length, content.data(), content.size()));
            content.resize(length);
            volume.RemoveChild(&node);
        } else {
            for (const DataRun* r = runs->First(); r; r = runs->Next()) {
                const uint64_t bytes = r->length * s_image->bytesPerCluster;
                if (r->IsSparse()) {
                    content.insert(content.end(), bytes, 0);
                } else {
                    const uint64_t at = uint64_t(r->firstCluster) * s_image->bytesPerCluster;
                    ASSERT_LE(at + bytes, s_image->bytes.size());
                    content.insert(content.end(), s_image->bytes.begin() + long(at),
                                   s_image->bytes.begin() + long(at + bytes));
                }
            }
        }
        ASSERT_GE(content.size(), f.size);
        for (uint64_t i = 0; i < f.size; ++i) ASSERT_EQ(content[i], f.ByteAt(i)) << "byte " << i;
    }
    // The sparse file keeps its hole as a sparse run and the fragmented one its sixteen pieces.
    const auto sparse = Properties(s_image->File("/Docs/sparse.bin")->record);
    std::unique_ptr<IDataRunList> sparseRuns(sparse->GetDataRunList());
    EXPECT_TRUE(std::any_of(sparseRuns->GetRuns().begin(), sparseRuns->GetRuns().end(),
                            [](const DataRun& r) { return r.IsSparse(); }));
    const auto frag = Properties(s_image->File("/Docs/frag.bin")->record);
    std::unique_ptr<IDataRunList> fragRuns(frag->GetDataRunList());
    EXPECT_EQ(fragRuns->GetRunCount(), 16u);
}

TEST_F(NtfsFixture, NamesSpreadOverExtensionRecordsThroughTheAttributeList)
{
    for (const NtfsFixtureNames& n : s_image->names) {
        SCOPED_TRACE(n.path);
        const NtfsFixtureFile* f = s_image->File(n.path);
        ASSERT_TRUE(f);
        const auto base = Record(f->record);
        const uint64_t sector = uint64_t(SectorOf(f->record));
        EXPECT_LT(CountAttributes(CNTFSFileRecord(std::span<const uint8_t>(base)).Record(), ntfs::kAttrFileName),
                  n.count);
        const auto listed = ReadAttributeList(base, 0, Spc(), s_device);
        ASSERT_GT(listed.size(), 1u);
        EXPECT_EQ(listed.front().reference, f->record);
        const auto extensions = Extensions(base, sector);
        ASSERT_FALSE(extensions.empty());
        for (const CNTFSExtensionEntry& e : extensions) {
            const auto ext = Record(e.reference);
            const CNTFSFileRecord view{std::span<const uint8_t>(ext)};
            EXPECT_TRUE(view.IsExtension());
            EXPECT_EQ(view.GetBaseReference(), f->record);
        }

        CNTFSFileRecordGroup group(base, sector, s_device, &extensions);
        int count = 0;
        int64_t parent = -1;
        for (;; ++count) {
            const auto fn = group.FindAttribute(ntfs::kAttrFileName, count);
            if (!fn) break;
            const std::string name = NtfsNameToText(fn.attribute.GetFNName());
            EXPECT_TRUE(name == f->Name() || (name.rfind("link_", 0) == 0 && name.size() == 12)) << name;
            if (parent == -1) parent = int64_t(fn.attribute.GetFNParentReference());
            EXPECT_EQ(int64_t(fn.attribute.GetFNParentReference()), parent);
        }
        EXPECT_EQ(count, n.count);
    }
}

TEST_F(NtfsFixture, NamedStreamIsNotTheFileData)
{
    for (const NtfsFixtureStream& s : s_image->streams) {
        SCOPED_TRACE(s.path);
        const NtfsFixtureFile* f = s_image->File(s.path);
        ASSERT_TRUE(f);
        const auto r = Record(f->record);
        const CNTFSFileRecord view{std::span<const uint8_t>(r)};
        CNTFSAttributeHeader stream;
        for (int i = 0; i < view.CountAttributes(ntfs::kAttrData); ++i) {
            const auto a = view.FindAttribute(ntfs::kAttrData, i);
            if (NtfsNameToText(a.GetName()) == s.name) stream = a;
        }
        ASSERT_TRUE(stream);
        const auto value = stream.GetValue();
        ASSERT_EQ(value.size(), s.size);
        for (size_t i = 0; i < value.size(); ++i) ASSERT_EQ(value[i], NtfsFixturePattern(s.seed, i));
        EXPECT_EQ(Properties(f->record)->GetSize(), f->size);
    }
}

TEST_F(NtfsFixture, FolderIndexRecords)
{
    int64_t many = -1;
    Properties(s_image->File("/Many/file_with_a_longer_name_00.txt")->record, &many);
    ASSERT_GT(many, 5);
    const auto r = Record(uint64_t(many));
    CNTFSFolderCandidate folder;
    ASSERT_TRUE(folder.Fill(r, uint64_t(SectorOf(uint64_t(many))), s_dbr.GetBytesPerSector()));
    EXPECT_EQ(folder.GetFolderRecordNumber(), many);
    EXPECT_EQ(folder.GetSectorsPerCluster(), Spc());

    const int64_t lcn = folder.VcnToLcn(0);
    ASSERT_GE(lcn, 0);
    std::vector<uint8_t> indx(s_image->bytes.begin() + long(lcn * s_image->bytesPerCluster),
                              s_image->bytes.begin() + long(lcn * s_image->bytesPerCluster + 4096));
    const auto original = indx;
    EXPECT_TRUE(NtfsIsIndxMagic(indx));
    EXPECT_TRUE(NtfsCheckAndFixIndxRecord(indx));
    EXPECT_EQ(indx, original);
    EXPECT_EQ(NtfsIndxGetFirstParentRef(indx), many);
    EXPECT_EQ(NtfsIndxGetVcn(indx), 0u);

    // The root folder is never a candidate of its own.
    CNTFSFolderCandidate root;
    EXPECT_FALSE(root.Fill(Record(5), uint64_t(SectorOf(5)), s_dbr.GetBytesPerSector()));
}

TEST_F(NtfsFixture, EveryUsedRecordOfTheTableValidates)
{
    const uint64_t records =
        s_mft->GetRunList().GetRunListLength() * s_image->bytesPerCluster / s_image->bytesPerRecord;
    int inUse = 0;
    int extensions = 0;
    for (uint64_t n = 0; n < records; ++n) {
        auto r = Record(n);
        if (r.empty() || !IsFileRecordHeader(r)) continue;
        SCOPED_TRACE(n);
        EXPECT_TRUE(CheckFixups(r));
        EXPECT_TRUE(ValidateFileRecord(r));
        const CNTFSFileRecord view{std::span<const uint8_t>(r)};
        if (view.IsInUse()) ++inUse;
        if (view.IsExtension()) ++extensions;
    }
    EXPECT_GT(inUse, 80);
    EXPECT_GT(extensions, 0);
}
