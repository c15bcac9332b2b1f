// Ranking, ordering and recommendation of found partitions: ranks by evidence, ties, overlaps, ranges past
// the device, the moves to second place, and the whole-disk test in bytes (4096-byte sectors too).
#include "filesystems/partitions/SearchedPartitionScoring.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Part {
    std::string name;
    uint64_t start, sectors, evidence, folders = 0, files = 0;
    uint32_t sectorSize = 512;
};

// Owns the partitions of a list; names them by their nId.
struct Scored {
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned;
    std::vector<std::string> names;
    CSearchedPartitionList list;

    explicit Scored(const std::vector<Part>& parts)
    {
        for (const Part& p : parts) {
            auto info = std::make_unique<CSearchedPartitionInfo>(p.sectorSize);
            info->u64StartSector = p.start;
            info->u64SectorsCount = p.sectors;
            info->u64EvidenceScore = p.evidence;
            info->u64FoldersMatch = p.folders;
            info->u64FilesMatch = p.files;
            info->nId = int(names.size());
            names.push_back(p.name);
            list.push_back(info.get());
            owned.push_back(std::move(info));
        }
    }
    void RankSortSelect(uint64_t deviceSectors, uint32_t sectorSize = 512)
    {
        RankSearchedPartitions(list);
        SortPartitionsByScore(list);
        SelectRecommendedPartitions(list, deviceSectors, sectorSize);
    }
    // "name" for each partition in list order, "*" after a recommended one, "!" after a whole-disk one.
    std::string Order() const
    {
        std::string out;
        for (const CSearchedPartitionInfo* p : list) {
            if (!out.empty()) out += ' ';
            out += names[size_t(p->nId)];
            if (p->bRecommended) out += '*';
            if (p->bWholeDisk) out += '!';
        }
        return out;
    }
    const CSearchedPartitionInfo* Named(const std::string& name) const
    {
        return owned[size_t(std::find(names.begin(), names.end(), name) - names.begin())].get();
    }
};

} // namespace

TEST(PartitionScoring, Ranks)
{
    Scored one({{"a", 0, 10, 1}});
    RankSearchedPartitions(one.list);
    EXPECT_DOUBLE_EQ(one.Named("a")->dRank, 1.0);

    Scored two({{"low", 0, 10, 1}, {"high", 0, 10, 100}, {"two", 0, 10, 2}});
    RankSearchedPartitions(two.list);
    EXPECT_NEAR(two.Named("low")->dRank, 0.217, 0.001);
    EXPECT_DOUBLE_EQ(two.Named("high")->dRank, 1.0);
    EXPECT_NEAR(two.Named("two")->dRank, 0.151, 0.001);

    Scored matched({{"folders", 0, 10, 10, 2, 5}, {"plain", 0, 10, 115}});
    RankSearchedPartitions(matched.list);
    EXPECT_DOUBLE_EQ(matched.Named("folders")->dRank, matched.Named("plain")->dRank); // 10 + 100 + 5
}

TEST(PartitionScoring, Selection)
{
    struct Case {
        const char* name;
        std::vector<Part> parts;
        uint64_t deviceSectors;
        uint32_t sectorSize;
        const char* order;
    } cases[] = {
        {"all values 0", {{"a", 0, 10, 0}, {"b", 20, 10, 0}}, 1000000, 512, "a b"},
        {"equal ranks overlapping", {{"a", 0, 100, 50}, {"b", 50, 100, 50}}, 1000000, 512, "a* b"},
        {"past the device end", {{"big", 0, 2000000, 100}, {"small", 10, 10, 2}}, 1000000, 512, "big small*"},
        {"four picks moved up in turn",
         {{"p1", 0, 10, 1000}, {"p2", 100, 10, 500}, {"p3", 200, 10, 200}, {"p4", 300, 10, 100}},
         1000000,
         512,
         "p1* p4* p3* p2*"},
        {"whole disk within 16 MiB",
         {{"a", 0, 10, 1000}, {"b", 100, 10, 500}, {"w", 0, 1000000 - 32768, 100}},
         1000000,
         512,
         "a* w*! b*"},
        {"whole disk 16 MiB and a sector off",
         {{"a", 0, 10, 1000}, {"b", 100, 10, 500}, {"w", 0, 1000000 - 32769, 100}},
         1000000,
         512,
         "a* b* w"},
        {"whole disk already first", {{"w", 0, 1000000, 1000}, {"b", 100, 10, 500}}, 1000000, 512, "w* b"},
        // 4096-byte device sectors: the partition (in 4096-byte sectors) is compared in bytes.
        {"whole disk on 4096-byte sectors",
         {{"a", 0, 10, 1000, 0, 0, 4096}, {"b", 100, 10, 500, 0, 0, 4096}, {"w", 0, 125000 - 4096, 100, 0, 0, 4096}},
         125000,
         4096,
         "a* w*! b*"},
        {"512-byte partition on a 4096-byte device",
         {{"a", 0, 10, 1000, 0, 0, 4096}, {"b", 100, 10, 500, 0, 0, 4096}, {"w", 0, 1000000, 100, 0, 0, 512}},
         125000,
         4096,
         "a* w*! b*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scored s(c.parts);
        s.RankSortSelect(c.deviceSectors, c.sectorSize);
        EXPECT_EQ(s.Order(), c.order);
    }
}

TEST(PartitionScoring, MovedPartitionsTakeTheRankTheyDisplace)
{
    Scored s({{"p1", 0, 10, 1000}, {"p2", 100, 10, 500}, {"p3", 200, 10, 200}, {"p4", 300, 10, 100}});
    s.RankSortSelect(1000000);
    const double p2 = s.Named("p2")->dRank;
    EXPECT_DOUBLE_EQ(s.Named("p3")->dRank, p2);
    EXPECT_DOUBLE_EQ(s.Named("p4")->dRank, p2);
}

TEST(PartitionScoring, FreeRangeList)
{
    CFreeRangeList free({0, 100});
    free.Take({10, 20});
    EXPECT_TRUE(free.IsFree({0, 10}));
    EXPECT_TRUE(free.IsFree({30, 70}));
    EXPECT_FALSE(free.IsFree({25, 10}));
    free.Take({200, 5}); // not inside: nothing changes
    EXPECT_EQ(free.GetRanges().size(), 2u);
    free.Take({0, 10});
    ASSERT_EQ(free.GetRanges().size(), 1u);
    EXPECT_EQ(free.GetRanges()[0].start, 30u);
}
