// The extension filter: the three modes, loading from catalogue check states, and readers racing a Load.
#include "core/filetypes/CFileTypeFilter.h"

#include "core/filetypes/CMapFileTypeInfo.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <thread>
#include <vector>

namespace {

// A small catalogue: root 0, then records added in id order.
class Catalogue {
public:
    Catalogue()
    {
        FileTypeInfoRecord root;
        root.parentId = -1;
        m_map.Insert(&root);
    }
    uint32_t Category(uint16_t state, int isMutex = 0)
    {
        FileTypeInfoRecord r;
        r.id = m_next++;
        r.level = 1;
        r.checkState = state;
        r.isMutex = isMutex;
        m_map.Insert(&r);
        return r.id;
    }
    uint32_t Type(uint32_t parent, uint16_t state, std::initializer_list<const char*> exts)
    {
        FileTypeInfoRecord r;
        r.id = m_next++;
        r.level = 2;
        r.parentId = static_cast<int32_t>(parent);
        r.checkState = state;
        for (const char* e : exts) std::strcpy(r.extensions[r.extensionCount++], e);
        m_map.Insert(&r);
        return r.id;
    }
    const CMapFileTypeInfo& Map() const { return m_map; }

private:
    CMapFileTypeInfo m_map;
    uint32_t m_next = 1;
};

TEST(CFileTypeFilter, AllTypesMeansNoFiltering)
{
    Catalogue c;
    const uint32_t cat = c.Category(2);
    c.Type(cat, 2, {".jpg"});
    CFileTypeFilter f;
    f.Load(c.Map(), true);
    EXPECT_EQ(f.GetCount(), 0u);
    EXPECT_EQ(f.GetMode(), CFileTypeFilter::kAllFiles);
    EXPECT_TRUE(f.IsFileTypeInList(".anything"));
    EXPECT_FALSE(f.IsFileTypeInList(nullptr));
}

TEST(CFileTypeFilter, IncludeModePassesCheckedTypesOnly)
{
    Catalogue c;
    const uint32_t pictures = c.Category(1);
    c.Type(pictures, 2, {".jpg", ".JPEG"});
    c.Type(pictures, 1, {".gif"}); // partly checked: contributes nothing
    c.Type(pictures, 0, {".png"});
    const uint32_t docs = c.Category(2);
    c.Type(docs, 2, {".Jpg", ".doc"}); // ".jpg" again, in another case: stored once
    CFileTypeFilter f;
    f.Load(c.Map(), false);
    EXPECT_EQ(f.GetMode(), CFileTypeFilter::kInclude);
    EXPECT_EQ(f.GetCount(), 3u);
    struct Case {
        const char* ext;
        bool passes;
    };
    for (const Case& k : {Case{".jpg", true}, Case{".JPG", true}, Case{".jpeg", true}, Case{".doc", true},
                          Case{".png", false}, Case{".gif", false}, Case{"", false}, Case{"jpg", false}}) {
        SCOPED_TRACE(k.ext);
        EXPECT_EQ(f.IsFileTypeInList(k.ext), k.passes);
    }
    EXPECT_FALSE(f.IsFileTypeInList(nullptr));
    EXPECT_FALSE(f.IsFileTypeInList(std::string(300, 'j').c_str()));
}

TEST(CFileTypeFilter, NothingCheckedLeavesAnEmptySetThatPassesEverything)
{
    Catalogue c;
    const uint32_t cat = c.Category(0);
    c.Type(cat, 0, {".jpg"});
    CFileTypeFilter f;
    f.Load(c.Map(), false);
    EXPECT_EQ(f.GetMode(), CFileTypeFilter::kInclude);
    EXPECT_EQ(f.GetCount(), 0u);
    EXPECT_TRUE(f.IsFileTypeInList(".jpg"));
}

TEST(CFileTypeFilter, ExcludeModeDropsUncheckedTypesNotListedByCheckedOnes)
{
    Catalogue c;
    const uint32_t other = c.Category(2, 1);
    c.Type(other, 2, {".tmp"});
    const uint32_t docs = c.Category(0);
    c.Type(docs, 0, {".doc", ".TMP"});
    c.Type(docs, 1, {".xls"}); // partly checked: not excluded
    CFileTypeFilter f;
    f.Load(c.Map(), false);
    EXPECT_EQ(f.GetMode(), CFileTypeFilter::kExclude);
    EXPECT_EQ(f.GetCount(), 1u);
    EXPECT_FALSE(f.IsFileTypeInList(".doc"));
    EXPECT_FALSE(f.IsFileTypeInList(".DOC"));
    EXPECT_TRUE(f.IsFileTypeInList(".tmp"));
    EXPECT_TRUE(f.IsFileTypeInList(".xls"));
    EXPECT_TRUE(f.IsFileTypeInList(".unlisted"));
    EXPECT_FALSE(f.IsFileTypeInList(nullptr));
}

TEST(CFileTypeFilter, ExcludeModeWithAnEmptySetPassesEverything)
{
    Catalogue c;
    const uint32_t other = c.Category(2, 1);
    c.Type(other, 2, {".tmp"});
    CFileTypeFilter f;
    f.Load(c.Map(), false);
    EXPECT_EQ(f.GetMode(), CFileTypeFilter::kExclude);
    EXPECT_EQ(f.GetCount(), 0u);
    EXPECT_TRUE(f.IsFileTypeInList(".tmp"));
    EXPECT_TRUE(f.IsFileTypeInList(".doc"));
}

TEST(CFileTypeFilter, ReloadingReplacesTheSet)
{
    Catalogue first;
    first.Type(first.Category(2), 2, {".jpg"});
    Catalogue second;
    second.Type(second.Category(2), 2, {".png"});
    CFileTypeFilter f;
    f.Load(first.Map(), false);
    f.Load(second.Map(), false);
    EXPECT_EQ(f.GetCount(), 1u);
    EXPECT_FALSE(f.IsFileTypeInList(".jpg"));
    EXPECT_TRUE(f.IsFileTypeInList(".png"));
    f.Load(second.Map(), true);
    EXPECT_TRUE(f.IsFileTypeInList(".jpg"));
}

// Two catalogues under which ".jpg" passes for different reasons: included by the first, not
// excluded by the second. A reader that paired one catalogue's set with the other's mode would
// see ".jpg" fail.
TEST(CFileTypeFilter, ReadersNeverMixTheSetOfOneLoadWithTheModeOfAnother)
{
    Catalogue include;
    include.Type(include.Category(2), 2, {".jpg"});
    Catalogue exclude;
    exclude.Category(2, 1);
    exclude.Type(exclude.Category(0), 0, {".png"});

    CFileTypeFilter f;
    f.Load(include.Map(), false);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&] {
            while (!stop.load())
                if (!f.IsFileTypeInList(".jpg")) failures.fetch_add(1);
        });
    for (int i = 0; i < 500; ++i) f.Load(i % 2 ? include.Map() : exclude.Map(), false);
    stop = true;
    for (auto& r : readers) r.join();
    EXPECT_EQ(failures.load(), 0);
}

// A name without an extension is tested as ".", the extension of the catalogue's "files without an
// extension" entry: it passes unless that entry is unticked in exclude mode or left out in include mode.
TEST(CFileTypeFilter, NamesWithoutAnExtensionFollowTheirOwnEntry)
{
    struct Setup {
        const char* what;
        uint16_t otherState; // the IsMutex category: 2 gives exclude mode
        uint16_t zipState;
        uint16_t noExtensionState;
        bool listNoExtension;
    };
    struct Row {
        const char* name;
        bool passes[5]; // per setup below
    };
    const Setup setups[] = {
        {"zip unticked, all else ticked", 2, 0, 2, true},
        {"no-extension entry unticked", 2, 2, 0, true},
        {"only zip and no-extension ticked", 0, 2, 2, true},
        {"only zip ticked", 0, 2, 0, true},
        {"catalogue without the entry, zip unticked", 2, 0, 0, false},
    };
    const Row rows[] = {
        {"README", {true, false, true, false, true}},          {"Inode_12", {true, false, true, false, true}},
        {".profile", {true, false, true, false, true}},        {"notes.", {true, false, true, false, true}},
        {"backup.ZIP", {false, true, true, true, false}},      {"photo.jpeg", {true, true, false, false, true}},
        {"archive.zip.txt", {true, true, false, false, true}},
    };
    for (size_t s = 0; s < std::size(setups); ++s) {
        const Setup& k = setups[s];
        SCOPED_TRACE(k.what);
        Catalogue c;
        const uint32_t other = c.Category(k.otherState, 1);
        c.Type(other, k.otherState, {".exe"});
        const uint32_t archives = c.Category(k.zipState);
        c.Type(archives, k.zipState, {".zip"});
        if (k.listNoExtension) c.Type(c.Category(k.noExtensionState), k.noExtensionState, {"."});
        CFileTypeFilter f;
        f.Load(c.Map(), false);
        for (const Row& r : rows) EXPECT_EQ(f.IsFileNameWanted(r.name), r.passes[s]) << r.name;
        EXPECT_TRUE(f.IsFileNameWanted(nullptr));
    }
}

TEST(CFileTypeFilter, ExtensionOfAName)
{
    const std::pair<const char*, const char*> rows[] = {
        {"a.jpg", ".jpg"}, {"a.tar.GZ", ".GZ"}, {"README", "."}, {".bashrc", "."},
        {"notes.", "."},   {"..x", ".x"},       {"", "."},
    };
    for (const auto& [name, extension] : rows) EXPECT_STREQ(CFileTypeFilter::ExtensionOfName(name), extension) << name;
    EXPECT_EQ(CFileTypeFilter::ExtensionOfName(nullptr), nullptr);
}

// Tree builds test every found name: at the normal level that writes nothing; the set is logged once per
// Load. With -trace the lines of each test are there.
TEST(CFileTypeFilter, PerNameLinesOnlyInTraceMode)
{
    Catalogue c;
    c.Type(c.Category(2), 2, {".jpg", ".jpeg"});
    for (const bool trace : {false, true}) {
        SCOPED_TRACE(trace ? "trace" : "normal");
        const testsupport::LogCapture log(trace);
        CFileTypeFilter f;
        f.Load(c.Map(), false);
        for (int i = 0; i < 1000; ++i) f.IsFileNameWanted(i % 2 ? "photo.jpg" : "notes.txt");
        const std::string text = log.Text();
        EXPECT_NE(text.find("Extension filter: mode 1, 2 extensions: .jpeg .jpg"), std::string::npos) << text;
        if (trace) {
            EXPECT_NE(text.find("ptchExt = .txt,ptchExtValue = ,bRet = 0"), std::string::npos);
        } else {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        }
    }
}

TEST(CFileTypeFilter, OneProcessWideInstance)
{
    EXPECT_EQ(&GetFileTypeFilter(), &GetFileTypeFilter());
}

} // namespace
