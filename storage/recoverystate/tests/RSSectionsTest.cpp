// The partition-list and found-file tree sections: round trips, stored layout and damaged sections.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/devices/CBasicPartitionDevice.h"
#include "filesystems/ext2/CExt2FileProperties.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/RSFileTree.h"
#include "storage/recoverystate/RSPartitionList.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

using namespace rstest;

namespace {

// A state file written through one stream kind; payloadAt is where the first section's payload starts.
struct StateFile {
    testsupport::TempDir dir;
    std::string path = (dir / "s.rdf").string();
    static constexpr size_t payloadAt = 132 + 36;

    template <class Stream = CRSData>
    void Write(const std::function<void(IRSData*)>& body)
    {
        Stream w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(path.c_str(), true));
        w.SetKind(1);
        body(&w);
        w.Close();
    }

    // The first section's payload, as stored (the plain stream keeps it as written).
    std::vector<uint8_t> Payload() const
    {
        const auto all = ReadAll(path);
        return std::vector<uint8_t>(all.begin() + payloadAt, all.end());
    }
};

int CodeOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const IRSException& e) {
        return e.GetCode();
    }
    return 0;
}

void Put(std::vector<uint8_t>& v, uint64_t x, int bytes)
{
    for (int i = 0; i < bytes; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// ---- partition list ----

CLostPartitionRecord* MakeRecord(testsupport::MemoryDevice& disk, uint64_t start, uint64_t count, int kind,
                                 const char* label)
{
    auto* r = new CLostPartitionRecord;
    r->u64StartSector = start;
    r->u64SectorCount = count;
    r->nFileSystemKind = kind;
    std::strncpy(r->szLabel, label, sizeof r->szLabel - 1);
    r->pDevice = new CBasicPartitionDevice(&disk, start, count);
    return r;
}

TEST(RSPartitionList, RoundTripWithTheSecondChosenAndItsLayout)
{
    testsupport::MemoryDevice disk(100000);
    std::vector<CLostPartitionRecord*> list = {
        MakeRecord(disk, 63, 1000, 3, "SYSTEM"),
        MakeRecord(disk, 2048, 50000, 2, "a label that is longer than forty bytes, cut"),
        MakeRecord(disk, 60000, 30000, 4, ""),
    };
    StateFile file;
    file.Write([&](IRSData* w) { EXPECT_TRUE(SavePartitionList(list, list[1], w)); });

    std::vector<uint8_t> expected;
    Put(expected, 3, 4);
    for (const CLostPartitionRecord* r : list) {
        Put(expected, r->u64StartSector, 8);
        Put(expected, r->u64SectorCount, 8);
        std::vector<uint8_t> label(40, 0);
        std::memcpy(label.data(), r->szLabel, std::min<size_t>(40, std::strlen(r->szLabel)));
        expected.insert(expected.end(), label.begin(), label.end());
        Put(expected, uint32_t(r->nFileSystemKind), 4);
        Put(expected, r->u64StartSector, 8);
        Put(expected, r->u64SectorCount, 8);
    }
    Put(expected, 1, 4);
    EXPECT_EQ(file.Payload(), expected);

    testsupport::MemoryDevice otherDisk(100000);
    std::vector<CLostPartitionRecord*> loaded = {MakeRecord(otherDisk, 1, 2, 0, "replaced")};
    CLostPartitionRecord* selected = nullptr;
    CRSData r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(file.path.c_str(), false));
    ASSERT_TRUE(LoadPartitionList(loaded, selected, &otherDisk, &r));
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(selected, loaded[1]);
    EXPECT_EQ(std::string(loaded[1]->szLabel), "a label that is longer than forty bytes,");
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded[i]->u64StartSector, list[i]->u64StartSector);
        EXPECT_EQ(loaded[i]->u64SectorCount, list[i]->u64SectorCount);
        EXPECT_EQ(loaded[i]->nFileSystemKind, list[i]->nFileSystemKind);
        auto* window = dynamic_cast<CBasicPartitionDevice*>(loaded[i]->pDevice);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->GetParent(), &otherDisk);
        EXPECT_EQ(window->GetStartSector(), list[i]->u64StartSector);
        EXPECT_EQ(window->GetSectorCount(), list[i]->u64SectorCount);
    }
    DeletePartitionList(list);
    DeletePartitionList(loaded);
}

TEST(RSPartitionList, NoChoiceAndLabelsCutOnACharacterBoundary)
{
    testsupport::MemoryDevice disk(1000);
    // 39 ASCII bytes and a two-byte character that would straddle the 40-byte limit.
    const std::string label = std::string(39, 'x') + "\xC3\xA9";
    std::vector<CLostPartitionRecord*> list = {MakeRecord(disk, 0, 10, 1, label.c_str())};
    StateFile file;
    file.Write<CRSDataEx>([&](IRSData* w) { SavePartitionList(list, nullptr, w); });
    std::vector<CLostPartitionRecord*> loaded;
    CLostPartitionRecord* selected = list[0];
    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(file.path.c_str(), false));
    ASSERT_TRUE(LoadPartitionList(loaded, selected, nullptr, &r));
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(selected, nullptr);
    EXPECT_EQ(std::string(loaded[0]->szLabel), std::string(39, 'x'));
    EXPECT_EQ(loaded[0]->pDevice, nullptr); // no parent, no window
    DeletePartitionList(list);
    DeletePartitionList(loaded);
}

TEST(RSPartitionList, DamagedSectionsLeaveAnEmptyList)
{
    auto section = [](uint32_t count, int records, int32_t index) {
        std::vector<uint8_t> p;
        Put(p, count, 4);
        for (int i = 0; i < records; ++i) p.insert(p.end(), 76, uint8_t(i));
        Put(p, uint32_t(index), 4);
        return p;
    };
    struct Row {
        const char* name;
        std::vector<uint8_t> payload;
        int code;
    } rows[] = {
        {"index equal to the count", section(2, 2, 2), 2},
        {"index below -1", section(2, 2, -2), 2},
        {"huge count", section(0xFFFFFFFF, 3, 0), 5},
        {"index missing",
         [&] {
             auto p = section(1, 1, 0);
             p.resize(p.size() - 4);
             return p;
         }(),
         5},
        {"a record cut short",
         [&] {
             auto p = section(1, 1, 0);
             p.resize(50);
             return p;
         }(),
         5},
    };
    testsupport::MemoryDevice disk(1000);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StateFile file;
        file.Write([&](IRSData* w) {
            w->BeginSection(kRSPartitionListGuid);
            w->Write(row.payload.data(), unsigned(row.payload.size()));
            w->EndSection();
        });
        std::vector<CLostPartitionRecord*> loaded = {MakeRecord(disk, 1, 2, 0, "old")};
        CLostPartitionRecord* selected = loaded[0];
        CRSData r(CRSData::kModeRead);
        ASSERT_TRUE(r.Open(file.path.c_str(), false));
        EXPECT_EQ(CodeOf([&] { LoadPartitionList(loaded, selected, &disk, &r); }), row.code);
        EXPECT_TRUE(loaded.empty());
        EXPECT_EQ(selected, nullptr);
    }
    StateFile empty;
    empty.Write([](IRSData*) {});
    std::vector<CLostPartitionRecord*> loaded;
    CLostPartitionRecord* selected = nullptr;
    CRSData r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(empty.path.c_str(), false));
    EXPECT_EQ(CodeOf([&] { LoadPartitionList(loaded, selected, &disk, &r); }), 7);
}

// ---- found-file tree ----

CFATFileProperties* Fat(const char* name, uint16_t attributes, uint64_t size, uint8_t state, int64_t cluster)
{
    auto* p = NewFATFileProperties();
    p->SetName(name);
    p->SetAttributes(attributes);
    p->SetSize(size);
    p->SetState(state);
    p->SetModificationTime(0x5A21, 0x6000);
    p->SetFirstCluster(uint32_t(cluster));
    if (cluster >= 0) {
        CFATDataRunList runs;
        runs.AppendRun(cluster, 3);
        runs.AppendRun(cluster + 10, 1);
        p->SetRunList(&runs);
    }
    return p;
}

CRAWFileProperties* Raw(const char* name, uint16_t attributes, uint64_t start, uint64_t size)
{
    auto* p = CreateRAWFileProperties();
    p->SetRawFileName(name);
    p->SetAttributes(attributes);
    p->SetState(0x10);
    if (size) {
        CRawFileInfo hit;
        hit.SetStartSector(start);
        hit.SetSize(size);
        p->SetFromRawHit(&hit);
        p->SetExtraText("1024x768");
    }
    return p;
}

CNTFSFileProperties* Ntfs(const char* name, uint16_t attributes, uint64_t size, uint8_t state, int64_t cluster)
{
    auto* p = NewNTFSFileProperties();
    p->SetBuiltName(name);
    p->SetAttributes(attributes);
    p->SetSize(size);
    p->SetState(state);
    p->SetTimes(130000000000000000ull, 130000000000000001ull, 130000000000000002ull);
    p->SetRecordSector(uint64_t(cluster) * 2 + 7);
    if (cluster >= 0) {
        CNoneResidentNTFSDataRunList runs;
        runs.AppendRun(cluster, 16);
        runs.AppendRun(kSparseCluster, 8);
        runs.AppendRun(cluster + 1000, 4);
        p->SetPackedRuns(PackDataRunList(&runs));
        p->SetExtensionRecords({{int64_t(cluster) * 2 + 9, 0x0001000000000123ull}});
    }
    return p;
}

CExt2FileProperties* Ext2(const char* name, uint16_t attributes, uint64_t size, uint8_t state, int64_t block)
{
    auto* p = NewExt2FileProperties();
    p->SetName(name);
    p->SetAttributes(attributes);
    p->SetSize(size);
    p->SetState(state);
    p->SetTimes(120000000000000000ull, 120000000000000005ull, 120000000000000009ull);
    if (block >= 0) {
        CExt2DataRunList runs;
        runs.AppendRun(block, 12);
        runs.AppendRun(kSparseCluster, 3);
        runs.AppendRun(block + 40, 1);
        p->SetRunList(&runs);
    }
    return p;
}

CFileNode* Add(CFileNode* parent, CFileNode* child, IFileProperties* properties)
{
    child->SetProperties(properties);
    return parent->AddChild(child);
}

// Root (plain) > volume "FAT32 (1)" with FAT files and folders two levels deep, an NTFS volume with a
// deleted folder, sparse runs and an extension record, an ext2 volume, a "Raw Files" folder of RAW hits, and a node whose
// properties lack the folder bit (its children are not stored).
CFileSystemNode* BuildTree()
{
    CFileSystemNode* root = CreateRootNode();
    auto* volume = static_cast<CFileSystemNode*>(Add(root, NewFileSystemNode(), Fat("FAT32 (1)", 0x10, 0, 0, -1)));
    volume->SetName("FAT32 (1)");
    volume->SetFileSystemKind(2);
    volume->SetClusterGeometry(2048, 8);
    Add(volume, NewFileNode(), Fat("a.txt", 0x20, 1234, 0, 100));
    CFileNode* docs = Add(volume, NewFileNode(), Fat("docs", 0x10, 0, 1, 200));
    Add(docs, NewFileNode(), Fat("deleted.doc", 0x20, 99999, 1, 300));
    CFileNode* deep = Add(docs, NewFileNode(), Fat("deep", 0x10, 0, 0, 400));
    Add(deep, NewFileNode(), Fat("x.bin", 0x01, 7, 2, 500));
    Add(docs, NewFileNode(), Fat("b.txt", 0x20, 1, 0, 600));
    CFileNode* notFolder = Add(volume, NewFileNode(), Fat("not a folder", 0x20, 5, 0, 700));
    Add(notFolder, NewFileNode(), Fat("hidden child", 0x20, 5, 0, 800));
    auto* ntfs = static_cast<CFileSystemNode*>(Add(root, NewFileSystemNode(), Ntfs("NTFS (2)", 0x10, 0, 0, 5)));
    ntfs->SetName("NTFS (2)");
    ntfs->SetFileSystemKind(3);
    ntfs->SetClusterGeometry(63, 8);
    CFileNode* gone = Add(ntfs, NewFileNode(), Ntfs("gone", 0x10, 0, 1, 40));
    Add(gone, NewFileNode(), Ntfs("sparse.vhd", 0x220, 1 << 20, 1, 50));
    Add(ntfs, NewFileNode(), Ntfs("encrypted.doc", 0x60, 300, 0, 60));
    ntfs->RecomputeStatistics();
    auto* ext2 = static_cast<CFileSystemNode*>(Add(root, NewFileSystemNode(), Ext2("EXT3 (3)", 0x10, 0, 0, -1)));
    ext2->SetName("EXT3 (3)");
    ext2->SetFileSystemKind(5);
    ext2->SetClusterGeometry(4096, 2);
    CFileNode* home = Add(ext2, NewFileNode(), Ext2("home", 0x10, 0, 0, 80));
    Add(home, NewFileNode(), Ext2(".bashrc", 0x20, 3771, 1, 90));
    ext2->RecomputeStatistics();
    auto* raw = static_cast<CFileSystemNode*>(Add(root, NewFileSystemNode(), Raw("Raw Files", 0x10, 0, 0)));
    raw->SetName("Raw Files");
    raw->SetFileSystemKind(6);
    CFileNode* jpg = Add(raw, NewFileNode(), Raw("JPEG", 0x10, 0, 0));
    Add(jpg, NewFileNode(), Raw("00001.jpg", 0x20, 4096, 70000));
    Add(jpg, NewFileNode(), Raw("00002.jpg", 0x20, 9000, 513));
    volume->RecomputeStatistics();
    return root;
}

std::string Describe(CFileNode* root)
{
    std::string out;
    WalkFileTreeBreadthFirst(root, [&](CFileNode* n) {
        out += n->IsFileSystemNode() ? "FS " : "F ";
        if (n->IsFileSystemNode()) {
            auto* fs = static_cast<CFileSystemNode*>(n);
            uint64_t first = 0;
            int32_t spc = 0;
            fs->GetClusterGeometry(first, spc);
            FileTreeStatistics st;
            fs->GetStatistics(st);
            out += std::string(fs->GetName() ? fs->GetName() : "-") + " k" + std::to_string(fs->GetFileSystemKind()) +
                   " g" + std::to_string(first) + "/" + std::to_string(spc) + " n" + std::to_string(st.files) + "/" +
                   std::to_string(st.bytes) + " ";
        }
        IFileProperties* p = n->GetProperties();
        out += "t" + std::to_string(p->GetPropertiesType()) + " '" + p->GetName() + "' a" +
               std::to_string(p->GetAttributes()) + " s" + std::to_string(p->GetSize()) + " st" +
               std::to_string(p->GetState()) + " m" + std::to_string(p->GetModificationTime()) + " d'" +
               p->GetDescription() + "' runs";
        std::unique_ptr<IDataRunList> runs(p->GetDataRunList());
        if (runs)
            for (const DataRun* r = runs->First(); r; r = runs->Next())
                out += " " + std::to_string(r->firstCluster) + ":" + std::to_string(r->length);
        out += " children:";
        for (CFileNode* c = n->GetFirstChild(); c; c = c->GetNextSibling())
            out += " '" + std::string(c->GetProperties()->GetName()) + "'";
        out += "\n";
    });
    return out;
}

struct RecordingProgress : IDIRBuildCallback {
    std::vector<int> positions;
    int cancelChecks = 0;
    int Begin(const char*, int) override { return 0; }
    int Step(int) override { return 0; }
    int SetPos(int pos) override
    {
        positions.push_back(pos);
        return 0;
    }
    int Finish() override { return 0; }
    int CheckCancel() override
    {
        ++cancelChecks;
        return 0;
    }
};

TEST(RSFileTree, RoundTripKeepsStructureOrderNamesStatesAndRuns)
{
    CFileSystemNode* tree = BuildTree();
    StateFile file;
    RecordingProgress saving;
    file.Write<CRSDataEx>([&](IRSData* w) { EXPECT_TRUE(SaveFileTree(tree, w, &saving)); });

    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(file.path.c_str(), false));
    RecordingProgress loading;
    CFileSystemNode* back = LoadFileTree(&r, &loading);
    ASSERT_NE(back, nullptr);

    // Everything comes back except the child of the node without the folder bit.
    CFileNode* notFolder = tree->GetFirstChild()->GetNextSibling()->GetNextSibling()->GetNextSibling()->GetFirstChild();
    ASSERT_STREQ(notFolder->GetProperties()->GetName(), "not a folder");
    CFileNode* hidden = notFolder->GetFirstChild();
    notFolder->RemoveChild(hidden);
    EXPECT_EQ(Describe(back), Describe(tree));
    DeleteFoundTree(hidden);

    // Ten folders: 41..45 for the first five, then the share rule with 4, 4, 3, 2 and 1 queued (the
    // writer's share is kept within the phase's 40..90); one cancel check per child.
    EXPECT_EQ(saving.positions, (std::vector<int>{41, 42, 43, 44, 45, 77, 83, 90}));
    EXPECT_EQ(loading.positions, (std::vector<int>{41, 42, 43, 44, 45, 70, 71, 76, 80, 85}));
    EXPECT_EQ(saving.cancelChecks, 19);
    EXPECT_EQ(loading.cancelChecks, 19);
    DeleteFoundTree(tree);
    DeleteFoundTree(back);
}

// The stored layout of the smallest tree: the root, its empty plain properties and one end mark.
TEST(RSFileTree, OneRootWithoutChildren)
{
    CFileSystemNode* root = CreateRootNode();
    root->SetName("R");
    StateFile file;
    file.Write([&](IRSData* w) { SaveFileTree(root, w, nullptr); });
    std::vector<uint8_t> expected;
    Put(expected, 1, 4);
    expected.insert(expected.end(), 52, 0); // statistics and geometry
    Put(expected, 7, 4);                    // kind: none
    Put(expected, 1, 4);
    expected.push_back('R');
    Put(expected, 4, 4); // plain properties, nothing after them
    Put(expected, 0xFFFFFFFF, 4);
    EXPECT_EQ(file.Payload(), expected);

    CRSData r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(file.path.c_str(), false));
    CFileSystemNode* back = LoadFileTree(&r, nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Describe(back), Describe(root));
    EXPECT_EQ(back->GetFirstChild(), nullptr);
    DeleteFoundTree(root);
    DeleteFoundTree(back);
    EXPECT_FALSE(SaveFileTree(nullptr, &r, nullptr));
}

// Plain properties store nothing, so a plain node is kept as a folder on both sides: the nodes after it
// still come back in step.
TEST(RSFileTree, PlainPropertiesBelowTheRootKeepTheStreamInStep)
{
    CFileSystemNode* root = CreateRootNode();
    auto* plain = new CMyFileProperties(); // no folder bit
    CFileNode* synthetic = Add(root, NewFileNode(), plain);
    Add(synthetic, NewFileNode(), Fat("under plain.txt", 0x20, 3, 0, 1));
    Add(root, NewFileNode(), Fat("after.txt", 0x20, 4, 0, 2));
    StateFile file;
    file.Write<CRSDataEx>([&](IRSData* w) { SaveFileTree(root, w, nullptr); });
    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(file.path.c_str(), false));
    CFileSystemNode* back = LoadFileTree(&r, nullptr);
    ASSERT_NE(back, nullptr);
    CFileNode* first = back->GetFirstChild();
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetProperties()->GetName(), "after.txt");
    CFileNode* second = first->GetNextSibling();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetProperties()->GetPropertiesType(), kPropertiesPlain);
    ASSERT_NE(second->GetFirstChild(), nullptr);
    EXPECT_STREQ(second->GetFirstChild()->GetProperties()->GetName(), "under plain.txt");
    DeleteFoundTree(root);
    DeleteFoundTree(back);
}

TEST(RSFileTree, PropertiesRecordsOfEachKnownKind)
{
    std::unique_ptr<IFileProperties> fat(Fat("name.txt", 0x21, 77, 1, 9));
    std::unique_ptr<IFileProperties> raw(Raw("r.jpg", 0x20, 5, 600));
    StateFile file;
    file.Write([&](IRSData* w) {
        w->BeginSection(kGuidA);
        WriteFileProperties(fat.get(), w);
        WriteFileProperties(raw.get(), w);
        w->EndSection();
    });
    const auto payload = file.Payload();
    EXPECT_EQ(payload[0], kPropertiesFAT);
    CRSData r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(file.path.c_str(), false));
    r.BeginSection(kGuidA);
    std::unique_ptr<IFileProperties> fatBack(ReadFileProperties(&r));
    std::unique_ptr<IFileProperties> rawBack(ReadFileProperties(&r));
    ASSERT_EQ(fatBack->GetPropertiesType(), kPropertiesFAT);
    ASSERT_EQ(rawBack->GetPropertiesType(), kPropertiesRAW);
    EXPECT_STREQ(fatBack->GetName(), "name.txt");
    EXPECT_EQ(rawBack->GetSize(), 600u);
    EXPECT_EQ(r.GetSectionLength(), payload.size());
}

// Stream positions of a saved tree that are changed on purpose: node kind, properties kind, cut short.
TEST(RSFileTree, UnknownKindsAndShortSectionsThrowAndFreeTheHalfBuiltTree)
{
    CFileSystemNode* tree = BuildTree();
    StateFile file;
    file.Write([&](IRSData* w) { SaveFileTree(tree, w, nullptr); });
    DeleteFoundTree(tree);
    const auto payload = file.Payload();

    // The root: its kind (4), node data without a name (60), plain properties (4); its group follows.
    const size_t rootEnd = 4 + 60 + 4;
    struct Row {
        const char* name;
        size_t at;
        uint32_t value;
        int code;
    } rows[] = {
        {"node kind 2", rootEnd, 2, 2},
        {"node kind 0x10000", rootEnd, 0x10000, 2},
        {"root properties kind 5", rootEnd - 4, 5, 2},
        {"root kind 0", 0, 0, 0}, // no file-system root: no tree, no error
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto bad = payload;
        for (int i = 0; i < 4; ++i) bad[row.at + i] = uint8_t(row.value >> (8 * i));
        StateFile f;
        f.Write([&](IRSData* w) {
            w->BeginSection(kRSFileTreeGuid);
            w->Write(bad.data(), unsigned(bad.size()));
            w->EndSection();
        });
        CRSData r(CRSData::kModeRead);
        ASSERT_TRUE(r.Open(f.path.c_str(), false));
        CFileSystemNode* back = nullptr;
        EXPECT_EQ(CodeOf([&] { back = LoadFileTree(&r, nullptr); }), row.code);
        EXPECT_EQ(back, nullptr);
    }

    // Cut the section's stored length at every byte: an error every time, nothing leaks. Mostly 5; a cut
    // inside packed runs is swallowed by their reader, and the next field read out of step gives 2.
    const int fd = ::open(file.path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (uint32_t length = 0; length < payload.size(); ++length) {
        ASSERT_EQ(::pwrite(fd, &length, 4, 132 + 32), 4);
        CRSData r(CRSData::kModeRead);
        ASSERT_TRUE(r.Open(file.path.c_str(), false));
        const int code = CodeOf([&] { LoadFileTree(&r, nullptr); });
        ASSERT_TRUE(code == 5 || code == 2) << length << " gave " << code;
    }
    // Every byte flipped: a tree or codes 2 or 5, never a crash or a leak.
    const uint32_t full = uint32_t(payload.size());
    ASSERT_EQ(::pwrite(fd, &full, 4, 132 + 32), 4);
    for (size_t at = 0; at < payload.size(); ++at) {
        const uint8_t flipped = uint8_t(payload[at] ^ 0xFF);
        ASSERT_EQ(::pwrite(fd, &flipped, 1, off_t(StateFile::payloadAt + at)), 1);
        CRSData r(CRSData::kModeRead);
        ASSERT_TRUE(r.Open(file.path.c_str(), false));
        CFileSystemNode* back = nullptr;
        const int code = CodeOf([&] { back = LoadFileTree(&r, nullptr); });
        DeleteFoundTree(back);
        ASSERT_TRUE(code == 0 || code == 2 || code == 5) << at << " gave " << code;
        ASSERT_EQ(::pwrite(fd, &payload[at], 1, off_t(StateFile::payloadAt + at)), 1);
    }
    ::close(fd);

    StateFile empty;
    empty.Write([](IRSData*) {});
    CRSData r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(empty.path.c_str(), false));
    EXPECT_EQ(CodeOf([&] { LoadFileTree(&r, nullptr); }), 7);
}

} // namespace
