// The plain rules behind the found-file views: cell texts, the column sort (stable, missing values last),
// thumbnail sizes and the request queue, and the rows of the properties dialog for each file-system kind.
#include "views/files/FileListColumns.h"
#include "views/files/FilePropertyRows.h"
#include "views/files/ThumbnailGeometry.h"

#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/DataRunLists.h"
#include "views/files/tests/FoundFileFixture.h"

#include <gtest/gtest.h>

using namespace treetest;

namespace {

std::vector<std::string> Names(const std::vector<CFileNode*>& nodes)
{
    std::vector<std::string> out;
    for (const CFileNode* n : nodes) out.push_back(NameOf(n));
    return out;
}

std::string Rows(const std::vector<FilePropertyRow>& rows)
{
    std::string out;
    for (const FilePropertyRow& r : rows)
        out += std::to_string(r.nameId) + "=" + (r.yesNo < 0 ? r.value : r.yesNo ? "Y" : "N") + ";";
    return out;
}

} // namespace

TEST(FileListColumns, CellTextsFollowTheValidBits)
{
    viewtest::FoundTree t;
    CFileNode* doc = t.docs->GetFirstChild(); // README (newest first)
    ASSERT_EQ(NameOf(doc), "README");
    EXPECT_EQ(FileListCellText(doc, kColumnType), "");
    EXPECT_EQ(FileListCellText(doc, kColumnSize), "0.01 KB");
    EXPECT_EQ(FileListCellText(doc, kColumnModified), "2001-2-11 0:05:06");
    EXPECT_EQ(NameExtension("a.tar.gz"), ".gz");
    EXPECT_EQ(NameExtension("dir.d/file"), "");

    // A creation time at the epoch shows the description; a clear bit shows nothing.
    TestProperties* p = new TestProperties("x.bin", 5, 0x20, 0, kValidName | kValidCreationTime);
    MyFilePropertiesRecord r = p->GetRecord();
    r.description = "Carved file";
    p->SetRecord(r);
    CFileNode* n = NewFileNode();
    n->SetProperties(p);
    EXPECT_EQ(FileListCellText(n, kColumnCreated), "Carved file");
    EXPECT_EQ(FileListCellText(n, kColumnSize), "");
    EXPECT_EQ(FileListCellText(n, kColumnType), "bin");
    delete p;
    DeleteFileNode(n);

    // FAT keeps the day of the last access only: that column shows the date, the others the full time.
    auto* fat = new CFATFileProperties();
    fat->SetName("A.TXT");
    const uint16_t date = (29 << 9) | (7 << 5) | 5, time = (9 << 11) | (5 << 5) | 2; // 2009-07-05 9:05:04
    fat->SetModificationTime(date, time);
    fat->SetAccessDate(date);
    CFileNode* f = NewFileNode();
    f->SetProperties(fat);
    EXPECT_EQ(FileListCellText(f, kColumnModified), "2009-7-5 9:05:04");
    EXPECT_EQ(FileListCellText(f, kColumnAccessed), "2009-7-5");
    DeleteFileNode(f);
    delete fat;
}

TEST(FileListColumns, SortIsStableWithMissingValuesLast)
{
    std::vector<std::unique_ptr<TestProperties>> props;
    std::vector<CFileNode*> nodes;
    // name, size, valid mask: "n1" and "n2" have no size.
    const std::tuple<const char*, uint64_t, int> rows[] = {{"b", 30, 0xFF}, {"n1", 0, kValidName},  {"A", 10, 0xFF},
                                                           {"c", 10, 0xFF}, {"n2", 99, kValidName}, {"d", 20, 0xFF}};
    for (const auto& [name, size, mask] : rows) {
        props.push_back(std::make_unique<TestProperties>(name, size, 0x20, 0, mask));
        nodes.push_back(NewFileNode());
        nodes.back()->SetProperties(props.back().get());
    }
    auto sorted = [&](int column, bool down) {
        std::vector<CFileNode*> v = nodes;
        SortFileNodes(v, column, down);
        return Names(v);
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(sorted(kColumnSize, false), (V{"A", "c", "d", "b", "n1", "n2"}));
    EXPECT_EQ(sorted(kColumnSize, true), (V{"b", "d", "A", "c", "n1", "n2"}));
    EXPECT_EQ(sorted(kColumnName, false), (V{"A", "b", "c", "d", "n1", "n2"}));
    EXPECT_EQ(sorted(kColumnName, true), (V{"n2", "n1", "d", "c", "b", "A"}));
    EXPECT_EQ(sorted(9, false), Names(nodes));
    for (CFileNode* n : nodes) DeleteFileNode(n);
}

TEST(Thumbnails, SizeAndRequestQueue)
{
    const std::tuple<uint32_t, uint32_t, int, int> sizes[] = {
        {79, 20, 79, 20}, {80, 20, 80, 20}, {160, 40, 80, 20}, {400, 1, 80, 1}, {1, 4000000000u, 1, 80}, {0, 0, 0, 0}};
    for (const auto& [w, h, tw, th] : sizes) EXPECT_EQ(ThumbnailSize(w, h), QSize(tw, th)) << w << "x" << h;
    EXPECT_EQ(ThumbnailCheckRect(QRect(10, 20, 88, 88)), QRect(15, 92, 10, 10));

    // A hint of 50 rows keeps the last 40, the last row first; known and waiting rows are not added again.
    std::deque<int> q;
    AddThumbnailRequests(q, 0, 49, 100, [](int) { return false; });
    ASSERT_EQ(q.size(), 40u);
    EXPECT_EQ(q.front(), 49);
    EXPECT_EQ(q.back(), 10);
    AddThumbnailRequests(q, 48, 52, 51, [](int row) { return row == 50; });
    EXPECT_EQ(q.front(), 49);
    EXPECT_EQ(q.size(), 40u);
    AddThumbnailRequests(q, -5, 2, 100, [](int) { return false; });
    EXPECT_EQ(q.front(), 2);
    EXPECT_EQ(q.size(), 40u);
}

TEST(FilePropertyRows, FatRowsUse64BitSectorsAndSkipClustersBelowTwo)
{
    CFileSystemNode* root = CreateRootNode();
    CFileSystemNode* vol = AddFsFolder(root, "FAT");
    vol->SetFileSystemKind(kFsKindFat32);
    vol->SetClusterGeometry(1000, 64);
    auto fatNode = [&](CFileNode* parent, const char* name, uint16_t attr, uint32_t first, uint32_t parentCluster) {
        auto* p = new CFATFileProperties();
        p->SetName(name);
        p->SetAttributes(attr);
        p->SetFirstCluster(first);
        p->SetParentCluster(parentCluster);
        p->SetState(kFileStateDeleted);
        CFileNode* n = NewFileNode();
        n->SetProperties(p);
        return parent->AddChild(n);
    };
    // A folder far into a big volume: the product does not wrap at 32 bits.
    CFileNode* dir = fatNode(vol, "DIR", 0x10, 0x08000002, 0);
    EXPECT_EQ(Rows(BuildFilePropertyRows(dir)), "355=DIR;369=" + std::to_string(1000ull + 0x08000000ull * 64) +
                                                    ";370=134217730;371=0;360=Y;361=N;362=N;363=N;");
    // The root folder's child: parent cluster 0 has no sector.
    CFileNode* file = fatNode(vol, "A.TXT", 0x20, 7, 0);
    CFATDataRunList runs;
    runs.AppendRun(5, 3);
    runs.AppendRun(20, 1);
    static_cast<CFATFileProperties*>(file->GetProperties())->SetRunList(&runs);
    EXPECT_EQ(Rows(BuildFilePropertyRows(file)), "355=A.TXT;371=0;360=Y;361=N;362=N;363=N;368=7: 3 - 22: 1.;");
    CFileNode* inDir = fatNode(dir, "B.TXT", 0x20, 9, 3);
    EXPECT_EQ(Rows(BuildFilePropertyRows(inDir)), "355=B.TXT;371=3;372=1064;360=Y;361=N;362=N;363=N;");
    DeleteFoundTree(root);
}

TEST(FilePropertyRows, NtfsRawExtAndVolumeNodes)
{
    viewtest::FoundTree t;
    // A volume node heads its NTFS folder rows with its geometry.
    EXPECT_EQ(Rows(BuildFilePropertyRows(t.volume)),
              "354=1;352=0;355=Volume C;357=0;358=N;359=N;360=N;361=N;362=N;363=N;");
    CFileNode* exif = nullptr;
    for (CFileNode* c = t.photos->GetFirstChild(); c; c = c->GetNextSibling())
        if (NameOf(c) == "Exif.JPG") exif = c;
    ASSERT_TRUE(exif);
    EXPECT_EQ(Rows(BuildFilePropertyRows(exif)),
              "355=Exif.JPG;357=0;358=Y;359=N;360=N;361=N;362=N;363=N;364=N;368=" +
                  std::to_string(viewtest::FoundTree::Props(exif)->m_runs[0].firstCluster) + ": 41.;");
    // Resident data: its size and offset, no layout.
    auto* resident = viewtest::FoundTree::Props(t.volume->GetFirstChild());
    resident->m_runs.clear();
    resident->m_resident = true;
    resident->m_residentOffset = 0x98;
    EXPECT_EQ(Rows(BuildFilePropertyRows(t.volume->GetFirstChild())),
              "355=boot.ini;357=0;358=N;359=N;360=N;361=N;362=N;363=N;364=Y;331=200;365=152;");

    t.volume->SetFileSystemKind(kFsKindExt2);
    EXPECT_EQ(Rows(BuildFilePropertyRows(t.photos->GetFirstChild())), "");
    t.volume->SetFileSystemKind(kFsKindRaw);
    EXPECT_EQ(Rows(BuildFilePropertyRows(t.photos)), "");
    EXPECT_EQ(Rows(BuildFilePropertyRows(t.volume)), "354=1;352=0;");
    EXPECT_EQ(Rows(BuildFilePropertyRows(t.docs->GetFirstChild())),
              "355=README;373=0;368=" +
                  std::to_string(viewtest::FoundTree::Props(t.docs->GetFirstChild())->m_runs[0].firstCluster) +
                  ": 1.;");
    EXPECT_TRUE(BuildFilePropertyRows(nullptr).empty());
}

// A kind of the file-system registry missing from the table of property rows would show its files with the
// volume geometry only, and nothing would say so.
TEST(FilePropertyRows, EveryFileSystemKindHasItsRow)
{
    for (const FileSystemKindInfo& fs : FileSystemKinds()) EXPECT_TRUE(HasFilePropertyRowsOfKind(fs.kind)) << fs.name;
    EXPECT_TRUE(HasFilePropertyRowsOfKind(kFsKindRaw));
    EXPECT_FALSE(HasFilePropertyRowsOfKind(kFsKindNone));
}
