// A small found-file tree over an in-memory disk for the view tests: an NTFS volume with folders, live,
// deleted, compressed and encrypted files, a lost-files folder, and real pictures (PNG, JPEG) whose bytes
// lie in their runs on the disk, so that thumbnails come from the found-file reader.
#pragma once

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/tests/TreeTestUtil.h"
#include "tests/support/MemoryDevice.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace viewtest {

inline std::vector<uint8_t> ReadFixture(const std::string& relative)
{
    std::ifstream in(std::string(SALVIX_SOURCE_DIR "/tests/fixtures/") + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 2001-02-03 04:05:06 UTC plus a number of days, as a FILETIME.
inline FILETIME Day(int days)
{
    return 126257187060000000ull + uint64_t(days) * 864000000000ull;
}

struct FoundTree {
    testsupport::MemoryDevice device{4096};
    CFileSystemNode* root = nullptr;
    CFileSystemNode* volume = nullptr;
    CFileNode* photos = nullptr;
    CFileNode* docs = nullptr;
    CFileNode* old = nullptr;
    CFileNode* lost = nullptr;
    uint64_t nextCluster = 16;

    FoundTree()
    {
        using namespace treetest;
        root = CreateRootNode();
        volume = AddFsFolder(root, "Volume C");
        volume->SetFileSystemKind(kFsKindNtfs);
        volume->SetClusterGeometry(0, 1);
        photos = AddFolder(volume, "Photos");
        docs = AddFolder(volume, "Docs");
        lost = AddFolder(volume, "Lost Files");
        SetState(Props(lost), kFileStateSystemFolder);
        old = AddFolder(docs, "Old");
        SetState(Props(old), kFileStateDeleted);

        Stored(photos, "plasma.png", ReadFixture("raw/graphics/plasma.png"), 0x20, 0, 3);
        Stored(photos, "jfif.jpg", ReadFixture("raw/photo/jfif.jpg"), 0x20, kFileStateDeleted, 1);
        Stored(photos, "Exif.JPG", ReadFixture("raw/photo/exif.jpg"), 0x820, 0, 2);
        Stored(photos, "grey.jpg", ReadFixture("raw/photo/jfif-grey.jpg"), 0x20, 0, 5);
        Stored(photos, "notes.txt", std::vector<uint8_t>(700, 'x'), 0x60, 0, 4);
        AddFile(photos, "huge.bmp", 15728641);
        Stored(docs, "report.doc", std::vector<uint8_t>(3000, 1), 0x20, 0, 6);
        Stored(docs, "README", std::vector<uint8_t>(10, 2), 0x20, 0, 7);
        Stored(old, "old.txt", std::vector<uint8_t>(10, 3), 0x20, kFileStateDeleted, 8);
        Stored(lost, "FILE0001.jpg", ReadFixture("raw/photo/jfif-progressive.jpg"), 0x20, 0, 9);
        Stored(volume, "boot.ini", std::vector<uint8_t>(200, 4), 0x20, 0, 10);
        volume->RecomputeStatistics();
    }
    ~FoundTree() { DeleteFoundTree(root); }

    static treetest::TestProperties* Props(CFileNode* n)
    {
        return static_cast<treetest::TestProperties*>(n->GetProperties());
    }
    static void SetState(treetest::TestProperties* p, uint16_t state)
    {
        MyFilePropertiesRecord r = p->GetRecord();
        r.state = state;
        p->SetRecord(r);
    }

    // A file whose bytes lie in one run of whole clusters on the device; times follow dayOffset.
    CFileNode* Stored(CFileNode* parent, const std::string& name, const std::vector<uint8_t>& bytes,
                      uint32_t attributes, uint16_t state, int dayOffset)
    {
        CFileNode* n = treetest::AddFile(parent, name, bytes.size(), attributes, state);
        auto* p = Props(n);
        MyFilePropertiesRecord r = p->GetRecord();
        r.modificationTime = Day(dayOffset);
        r.creationTime = Day(dayOffset - 30);
        r.accessTime = Day(dayOffset + 100);
        p->SetRecord(r);
        const uint64_t clusters = (bytes.size() + 511) / 512;
        if (!bytes.empty()) device.Write(nextCluster * 512, bytes.data(), bytes.size());
        p->m_runs.push_back({int64_t(nextCluster), clusters});
        nextCluster += clusters + 1;
        return n;
    }
};

} // namespace viewtest
