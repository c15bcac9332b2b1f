// The found-partition, search-controller and RAW-hit sections: stored bytes, round trips field by field, the
// kind factory, and damaged sections (every flipped byte and every cut of a stored scan).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/tree/CRawFileList.h"
#include "raw/CRAWSearchController.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/RSScanFactory.h"
#include "storage/recoverystate/RSScanSections.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/TempDir.h"

using namespace rstest;

namespace {

void Put(std::vector<uint8_t>& v, uint64_t x, int bytes)
{
    for (int i = 0; i < bytes; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

int CodeOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const IRSException& e) {
        return e.GetCode();
    }
    return 0;
}

// A state file whose sections go through the plain stream, so that their payloads lie as written.
class PlainState {
    testsupport::TempDir m_dir;

public:
    std::string path = (m_dir / "scan.rdf").string();

    void Write(const std::function<void(IRSData*)>& body)
    {
        CRSData w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(path.c_str(), true));
        w.SetKind(2);
        body(&w);
        w.Close();
    }
    // The payload of the only section.
    std::vector<uint8_t> Payload() const
    {
        const auto all = ReadAll(path);
        return std::vector<uint8_t>(all.begin() + 132 + 36, all.end());
    }
    // A file holding one section of that GUID and payload, for crafted cases.
    void Craft(const RSGuid& guid, const std::vector<uint8_t>& payload)
    {
        Write([&](IRSData* s) {
            s->BeginSection(guid);
            if (!payload.empty()) s->Write(payload.data(), unsigned(payload.size()));
            s->EndSection();
        });
    }
    int Read(const std::function<void(IRSData*)>& body) const
    {
        CRSData r(CRSData::kModeRead);
        if (!r.Open(path.c_str(), false)) return -1;
        return CodeOf([&] { body(&r); });
    }
};

CSearchedPartitionInfo MakePlain()
{
    CSearchedPartitionInfo p(4096);
    p.nFileSystemKind = 2;
    p.bySectorsPerCluster = 8;
    p.u64DataAreaStartSector = 0x1122334455667788ull;
    p.u64StartSector = 63;
    p.u64FilesMatch = 7;
    p.u64FoldersMatch = 3;
    p.nId = -5;
    p.u64SectorsCount = 1000000;
    p.u64EvidenceScore = 99;
    p.dRank = 0.75;
    p.bWholeDisk = 1;
    p.bRecommended = 2;
    return p;
}

void ExpectSameBase(const CSearchedPartitionInfo& a, const CSearchedPartitionInfo& b)
{
    EXPECT_EQ(a.GetKind(), b.GetKind());
    EXPECT_EQ(a.nFileSystemKind, b.nFileSystemKind);
    EXPECT_EQ(a.bySectorsPerCluster, b.bySectorsPerCluster);
    EXPECT_EQ(a.u64DataAreaStartSector, b.u64DataAreaStartSector);
    EXPECT_EQ(a.u64StartSector, b.u64StartSector);
    EXPECT_EQ(a.u64FilesMatch, b.u64FilesMatch);
    EXPECT_EQ(a.u64FoldersMatch, b.u64FoldersMatch);
    EXPECT_EQ(a.nId, b.nId);
    EXPECT_EQ(a.u64SectorsCount, b.u64SectorsCount);
    EXPECT_EQ(a.u64EvidenceScore, b.u64EvidenceScore);
    EXPECT_EQ(a.dRank, b.dRank);
    EXPECT_EQ(a.bRecommended, b.bRecommended);
    EXPECT_EQ(a.nSectorSize, b.nSectorSize);
}

TEST(RSScanSections, FoundPartitionsStoredBytesAndRoundTripOfEveryKind)
{
    PlainState state;
    const CSearchedPartitionInfo plain = MakePlain();
    CSearchedNTFSPartitionInfo ntfs;
    static_cast<CSearchedPartitionInfo&>(ntfs) = MakePlain();
    ntfs.u64SerialNumber = 0xABCDEF;
    ntfs.nFlags = kNtfsEvidenceMftPair | kNtfsEvidenceFirstBootRecord;
    ntfs.u64MftSector = 4096;
    ntfs.bUseMft = 1;
    CFATSearchedPartitionInfo fat;
    fat.nFileSystemKind = 1;
    fat.u64StartSector = 2048;
    fat.SetReservedSectors(32);
    fat.SetSectorsPerFAT(1009);
    fat.SetClusterCount(129000);
    fat.SetRoot(2);
    fat.AddFlags(kFATFlagUseFAT2);
    const CSearchedPartitionList list{const_cast<CSearchedPartitionInfo*>(&plain), &ntfs, &fat};
    state.Write([&](IRSData* s) { ASSERT_TRUE(SaveSearchedPartitions(list, s)); });

    // Count, then the plain record byte for byte (kind 3 and its 73 bytes), then the NTFS kind.
    std::vector<uint8_t> golden;
    Put(golden, 3, 8);
    Put(golden, 3, 4);
    Put(golden, 2, 4);
    Put(golden, 8, 1);
    Put(golden, 0x1122334455667788ull, 8);
    Put(golden, 63, 8);
    Put(golden, 7, 8);
    Put(golden, 3, 8);
    Put(golden, uint32_t(-5), 4);
    Put(golden, 1000000, 8);
    Put(golden, 99, 8);
    double rank = 0.75;
    uint64_t rankBits;
    std::memcpy(&rankBits, &rank, 8);
    Put(golden, rankBits, 8);
    Put(golden, 2, 4);
    Put(golden, 4096, 4);
    Put(golden, 0, 4);
    const auto payload = state.Payload();
    ASSERT_GE(payload.size(), golden.size());
    EXPECT_EQ(std::vector<uint8_t>(payload.begin(), payload.begin() + long(golden.size())), golden);
    EXPECT_EQ(payload.size(), 8 + 4 + 73 + 4 + CSearchedNTFSPartitionInfo::kStreamSize + 4 + 73 +
                                  18); // the FAT record: base, reserved sectors (2), four u32 fields

    // Reading replaces what the list held.
    CSearchedPartitionList loaded{new CSearchedPartitionInfo, new CSearchedPartitionInfo};
    ASSERT_EQ(state.Read([&](IRSData* s) { EXPECT_TRUE(LoadSearchedPartitions(loaded, s)); }), 0);
    ASSERT_EQ(loaded.size(), 3u);
    auto it = loaded.begin();
    ExpectSameBase(**it, plain);
    EXPECT_EQ((*it)->bWholeDisk, 0);
    const auto* ntfsBack = dynamic_cast<CSearchedNTFSPartitionInfo*>(*++it);
    ASSERT_NE(ntfsBack, nullptr);
    ExpectSameBase(*ntfsBack, ntfs);
    EXPECT_EQ(ntfsBack->u64SerialNumber, ntfs.u64SerialNumber);
    EXPECT_EQ(ntfsBack->nFlags, ntfs.nFlags);
    EXPECT_EQ(ntfsBack->u64MftSector, ntfs.u64MftSector);
    EXPECT_EQ(ntfsBack->bUseMft, 1u);
    EXPECT_EQ(ntfsBack->u64UpcaseSector, CSearchedNTFSPartitionInfo::kUnknown);
    const auto* fatBack = dynamic_cast<CFATSearchedPartitionInfo*>(*++it);
    ASSERT_NE(fatBack, nullptr);
    ExpectSameBase(*fatBack, fat);
    EXPECT_EQ(fatBack->GetReservedSectors(), 32);
    EXPECT_EQ(fatBack->GetSectorsPerFAT(), 1009u);
    EXPECT_EQ(fatBack->GetClusterCount(), 129000u);
    EXPECT_EQ(fatBack->GetRoot(), 2u);
    EXPECT_EQ(fatBack->GetFlags(), uint32_t(kFATFlagUseFAT2));
    DeleteSearchedPartitions(loaded);
}

TEST(RSScanSections, EmptyListsAreEightBytesAndReadBackEmpty)
{
    PlainState state;
    state.Write([](IRSData* s) { SaveSearchedPartitions({}, s); });
    EXPECT_EQ(state.Payload(), std::vector<uint8_t>(8, 0));
    CSearchedPartitionList partitions{new CSearchedPartitionInfo};
    EXPECT_EQ(state.Read([&](IRSData* s) { LoadSearchedPartitions(partitions, s); }), 0);
    EXPECT_TRUE(partitions.empty());

    state.Write([](IRSData* s) { SaveSearchControllers({}, s); });
    EXPECT_EQ(state.Payload(), std::vector<uint8_t>(8, 0));
    CRawFileList none;
    state.Write([&](IRSData* s) { SaveRawFileList(&none, s); });
    EXPECT_EQ(state.Payload(), std::vector<uint8_t>(8, 0));
}

TEST(RSScanSections, ScannersRoundTripByKind)
{
    PlainState state;
    CRAWSearchController raw;
    const CSearchControllerList list{&raw};
    state.Write([&](IRSData* s) { ASSERT_TRUE(SaveSearchControllers(list, s)); });
    std::vector<uint8_t> golden;
    Put(golden, 1, 8);
    Put(golden, kSearchControllerRAW, 4);
    EXPECT_EQ(state.Payload(), golden);

    CSearchControllerList loaded;
    ASSERT_EQ(state.Read([&](IRSData* s) { LoadSearchControllers(loaded, s); }), 0);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_NE(dynamic_cast<CRAWSearchController*>(loaded.front()), nullptr);
    DeleteSearchControllers(loaded);
}

TEST(RSScanSections, RawHitsStoredBytesAndRoundTrip)
{
    PlainState state;
    CRawFileList hits;
    const struct {
        uint64_t start, size;
        int type, analyser;
    } made[] = {{100, 5000, 7, 0x1234}, {0xFFFFFFFF00ull, 1, 1001, -1}, {5, 0, 0, 0xFFFF}};
    for (const auto& m : made) {
        auto* hit = new CRawFileInfo;
        hit->SetStartSector(m.start);
        hit->SetSize(m.size);
        hit->SetFileType(m.type);
        hit->SetAnalyserType(m.analyser);
        hit->SetNamePrefix("prefix");
        hit->SetExtraText("extra");
        hits.Add(hit);
    }
    state.Write([&](IRSData* s) { ASSERT_TRUE(SaveRawFileList(&hits, s)); });
    std::vector<uint8_t> golden;
    Put(golden, 3, 8);
    for (const auto& m : made) {
        Put(golden, m.start, 8);
        Put(golden, m.size, 8);
        Put(golden, uint32_t(m.type), 4);
        Put(golden, uint16_t(m.analyser), 2);
    }
    EXPECT_EQ(state.Payload(), golden);

    std::unique_ptr<CRawFileList> back;
    ASSERT_EQ(state.Read([&](IRSData* s) { back.reset(LoadRawFileList(s)); }), 0);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->GetCount(), 3u);
    auto* walk = back->GetIterator();
    size_t i = 0;
    for (walk->First(); !walk->IsDone(); walk->Next(), ++i) {
        const CRawFileInfo* hit = walk->Current();
        EXPECT_EQ(hit->GetStartSector(), made[i].start);
        EXPECT_EQ(hit->GetSize(), made[i].size);
        EXPECT_EQ(hit->GetFileType(), made[i].type);
        EXPECT_EQ(hit->GetAnalyserType(), made[i].analyser & 0xFFFF);
        EXPECT_EQ(hit->GetNamePrefix(), "");
        EXPECT_EQ(hit->GetExtraText(), "");
        EXPECT_EQ(hit->GetAnalyser(), nullptr);
    }
}

TEST(RSScanSections, KindFactory)
{
    for (int kind : {kSearchedPartitionNTFS, kSearchedPartitionFAT, kSearchedPartitionExt2, kSearchedPartitionPlain}) {
        auto p = CreateSearchedPartitionInfo(kind);
        ASSERT_NE(p, nullptr) << kind;
        EXPECT_EQ(p->GetKind(), kind);
        EXPECT_EQ(p->nSectorSize, 512u);
    }
    EXPECT_EQ(CreateSearchedPartitionInfo(4), nullptr);
    EXPECT_EQ(CreateSearchedPartitionInfo(-1), nullptr);
    for (int kind : {kSearchControllerNTFS, kSearchControllerFAT, kSearchControllerRAW, kSearchControllerEXT2}) {
        auto controller = CreateSearchController(kind);
        ASSERT_NE(controller, nullptr) << kind;
        EXPECT_EQ(controller->GetKind(), kind);
    }
    EXPECT_EQ(CreateSearchController(4), nullptr);
    EXPECT_EQ(CreateSearchController(0x7FFFFFFF), nullptr);
}

// Crafted sections: unknown kinds and counts out of bounds are code 2 (never read on out of step), short
// sections code 5, missing ones code 7; the list is left empty each time.
TEST(RSScanSections, DamagedSectionsLeaveEmptyLists)
{
    std::vector<uint8_t> plainRecord;
    {
        PlainState s;
        CSearchedPartitionInfo p;
        s.Write([&](IRSData* w) { SaveSearchedPartitions({&p}, w); });
        plainRecord = s.Payload();
    }
    auto withCount = [](uint64_t count, std::vector<uint8_t> rest) {
        std::vector<uint8_t> v;
        Put(v, count, 8);
        v.insert(v.end(), rest.begin(), rest.end());
        return v;
    };
    auto kindThen = [](uint32_t kind, size_t zeros) {
        std::vector<uint8_t> v;
        Put(v, kind, 4);
        v.resize(v.size() + zeros, 0);
        return v;
    };
    auto twoRecords = plainRecord;
    twoRecords[0] = 2;
    auto twoRecordsThenUnknown = withCount(2, {});
    twoRecordsThenUnknown.insert(twoRecordsThenUnknown.end(), plainRecord.begin() + 8, plainRecord.end());
    const auto unknown = kindThen(9, 100);
    twoRecordsThenUnknown.insert(twoRecordsThenUnknown.end(), unknown.begin(), unknown.end());

    const struct Row {
        const char* name;
        RSGuid guid;
        std::vector<uint8_t> payload;
        int partitionsCode, controllersCode, hitsCode;
    } rows[] = {
        {"partitions: unknown kind after a good record", kRSFoundPartitionsGuid, twoRecordsThenUnknown, 2, 7, 7},
        {"partitions: count above its bound", kRSFoundPartitionsGuid, withCount(kMaxStoredPartitions + 1, {}), 2, 7, 7},
        {"partitions: count beyond the records", kRSFoundPartitionsGuid, twoRecords, 5, 7, 7},
        {"partitions: record cut short", kRSFoundPartitionsGuid, withCount(1, kindThen(3, 72)), 5, 7, 7},
        {"partitions: count cut short", kRSFoundPartitionsGuid, {1, 0, 0}, 5, 7, 7},
        {"controllers: unknown kind", kRSSearchControllersGuid, withCount(1, kindThen(17, 0)), 7, 2, 7},
        {"controllers: count above its bound", kRSSearchControllersGuid, withCount(~0ull, kindThen(2, 0)), 7, 2, 7},
        {"controllers: count beyond the kinds", kRSSearchControllersGuid, withCount(3, kindThen(2, 0)), 7, 5, 7},
        {"hits: count above its bound", kRSRawHitsGuid, withCount(CRawFileList::kMaxStoredHits + 1, {}), 7, 7, 2},
        {"hits: hit cut short", kRSRawHitsGuid, withCount(1, std::vector<uint8_t>(21, 0)), 7, 7, 5},
        {"hits: count beyond the hits", kRSRawHitsGuid, withCount(1000000, std::vector<uint8_t>(22, 0)), 7, 7, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PlainState state;
        state.Craft(row.guid, row.payload);
        CSearchedPartitionList partitions{new CSearchedPartitionInfo};
        EXPECT_EQ(state.Read([&](IRSData* s) { LoadSearchedPartitions(partitions, s); }), row.partitionsCode);
        EXPECT_TRUE(partitions.empty());
        CSearchControllerList controllers{new CRAWSearchController};
        EXPECT_EQ(state.Read([&](IRSData* s) { LoadSearchControllers(controllers, s); }), row.controllersCode);
        EXPECT_TRUE(controllers.empty());
        CRawFileList* hits = nullptr;
        EXPECT_EQ(state.Read([&](IRSData* s) { hits = LoadRawFileList(s); }), row.hitsCode);
        EXPECT_EQ(hits, nullptr);
    }
}

// A whole saved scan through the compressed stream, cut at every length and with every byte flipped: each
// load ends in code 2, 5 or 7 or gives data (the same data when the flip lies in compressed bytes: zlib's
// check value catches it first).
TEST(RSScanSections, EveryTruncationAndEveryFlippedByteOfAStoredScan)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "scan.rdf").string();
    CSearchedNTFSPartitionInfo ntfs;
    ntfs.u64StartSector = 2048;
    ntfs.u64SectorsCount = 409600;
    CFATSearchedPartitionInfo fat;
    fat.u64StartSector = 63;
    CSearchedPartitionInfo plain = MakePlain();
    CRAWSearchController raw;
    CRawFileList hits;
    for (int i = 0; i < 40; ++i) {
        auto* hit = new CRawFileInfo;
        hit->SetStartSector(uint64_t(i) * 8);
        hit->SetSize(4096);
        hit->SetFileType(1 + i % 3);
        hits.Add(hit);
    }
    {
        CRSDataEx w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(path.c_str(), true));
        w.SetKind(2);
        SaveSearchedPartitions({&ntfs, &fat, &plain}, &w);
        SaveSearchControllers({&raw}, &w);
        SaveRawFileList(&hits, &w);
        w.Close();
    }
    // -1 the file did not open; otherwise a code per section (0 when it loaded).
    struct Outcome {
        int partitions = -1, controllers = -1, hits = -1;
        size_t partitionCount = 0, controllerCount = 0, hitCount = 0;
    };
    auto load = [](const std::string& file) {
        Outcome o;
        CRSDataEx r(CRSData::kModeRead);
        if (!r.Open(file.c_str(), false)) return o;
        CSearchedPartitionList partitions;
        o.partitions = CodeOf([&] { LoadSearchedPartitions(partitions, &r); });
        o.partitionCount = partitions.size();
        DeleteSearchedPartitions(partitions);
        CSearchControllerList controllers;
        o.controllers = CodeOf([&] { LoadSearchControllers(controllers, &r); });
        o.controllerCount = controllers.size();
        DeleteSearchControllers(controllers);
        std::unique_ptr<CRawFileList> list;
        o.hits = CodeOf([&] { list.reset(LoadRawFileList(&r)); });
        o.hitCount = list ? list->GetCount() : 0;
        return o;
    };
    const Outcome good = load(path);
    ASSERT_EQ(good.partitions, 0);
    ASSERT_EQ(good.controllers, 0);
    ASSERT_EQ(good.hits, 0);
    ASSERT_EQ(good.partitionCount, 3u);
    ASSERT_EQ(good.controllerCount, 1u);
    ASSERT_EQ(good.hitCount, 40u);

    const auto bytes = ReadAll(path);
    // Where each section's head starts, from the stored lengths.
    std::vector<size_t> sectionAt;
    for (size_t at = 132; at + 36 <= bytes.size();) {
        sectionAt.push_back(at);
        at += 36 + (bytes[at + 32] | bytes[at + 33] << 8 | bytes[at + 34] << 16 | size_t(bytes[at + 35]) << 24);
    }
    ASSERT_EQ(sectionAt.size(), 3u);

    const std::string bad = (dir / "bad.rdf").string();
    WriteAll(bad, bytes);
    const int fd = ::open(bad.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    auto allowed = [](int code) { return code == 0 || code == 2 || code == 5 || code == 7; };
    for (size_t at = 0; at < bytes.size(); ++at) {
        const uint8_t flipped = uint8_t(bytes[at] ^ 0xFF);
        ASSERT_EQ(::pwrite(fd, &flipped, 1, off_t(at)), 1);
        const Outcome o = load(bad);
        ASSERT_EQ(::pwrite(fd, &bytes[at], 1, off_t(at)), 1);
        if (at < 132) {
            ASSERT_EQ(o.partitions, -1) << at;
            continue;
        }
        ASSERT_TRUE(allowed(o.partitions) && allowed(o.controllers) && allowed(o.hits)) << at;
        if (o.partitions == 0) {
            EXPECT_EQ(o.partitionCount, 3u) << at;
        }
        if (o.controllers == 0) {
            EXPECT_EQ(o.controllerCount, 1u) << at;
        }
        if (o.hits == 0) {
            EXPECT_EQ(o.hitCount, 40u) << at;
        }
    }
    for (size_t cut = bytes.size(); cut-- > 0;) {
        ASSERT_EQ(::ftruncate(fd, off_t(cut)), 0);
        const Outcome o = load(bad);
        if (cut < 132) {
            ASSERT_EQ(o.partitions, -1) << cut;
            continue;
        }
        // A section whose head is whole but whose payload is cut is a short read; one whose head is cut is gone.
        auto expected = [&](size_t section) {
            return cut < sectionAt[section] + 36                                     ? 7
                   : cut < (section + 1 < 3 ? sectionAt[section + 1] : bytes.size()) ? 5
                                                                                     : 0;
        };
        ASSERT_EQ(o.partitions, expected(0)) << cut;
        ASSERT_EQ(o.controllers, expected(1)) << cut;
        ASSERT_EQ(o.hits, expected(2)) << cut;
    }
    ::close(fd);
}

} // namespace
