// The extension filter: the three modes, loading from catalogue check states, and readers racing a Load.
#include "core/filetypes/CFileTypeFilter.h"

#include "core/filetypes/CMapFileTypeInfo.h"

#include <gtest/gtest.h>

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

TEST(CFileTypeFilter, OneProcessWideInstance)
{
    EXPECT_EQ(&GetFileTypeFilter(), &GetFileTypeFilter());
}

} // namespace
