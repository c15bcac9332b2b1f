// Wizard-state files: the chains each mode writes, the status rewrite and its bound, promotion, and files
// broken by a failing or killed save, by single-byte flips and by truncation.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "core/rsdata/CRSException.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/WizardStateFile.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/TempDir.h"

using namespace rstest;
namespace fs = std::filesystem;

namespace {

// A controller's section: kGuidA holding n bytes of a pattern that starts at seed.
WizardStateSections PatternSection(size_t n, uint8_t seed)
{
    return [n, seed](IRSData* stream) {
        stream->BeginSection(kGuidA);
        std::vector<uint8_t> bytes(n);
        for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(seed + i * 7);
        stream->Write(bytes.data(), unsigned(n));
        stream->EndSection();
        return WriteWizardStateTitle(stream, "Results for \r\nPartition \"E: DATA (FAT32)\"");
    };
}

// What a later start gets from a file: the chain (empty when refused) and the kGuidA payload.
struct Loaded {
    bool complete = false;
    std::vector<int> chain;
    std::vector<uint8_t> payload;
    bool operator==(const Loaded& o) const
    {
        return complete == o.complete && chain == o.chain && payload == o.payload;
    }
};

// As a controller's loader reads: exactly the payload length it wrote.
Loaded Load(const std::string& path, size_t payload)
{
    Loaded out;
    if (!IsCompleteWizardStateFile(path)) return out;
    CRSDataEx r(CRSData::kModeRead);
    if (!r.Open(path.c_str(), false)) return out;
    try {
        out.chain = ReadControllerChain(&r, r.GetKind());
        r.BeginSection(kGuidA);
        out.payload.resize(payload);
        r.Read(out.payload.data(), unsigned(payload));
    } catch (const CRSException&) {
        return Loaded{};
    }
    out.complete = true;
    return out;
}

int StoredKind(const std::string& path)
{
    CRSDataEx r(CRSData::kModeRead);
    if (!r.Open(path.c_str(), false)) return -1;
    return r.GetKind();
}

size_t FilesIn(const fs::path& folder)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
    return n;
}

} // namespace

TEST(WizardStateFile, NamesStatusAndBoundsByTheTables)
{
    WizardStatePaths paths;
    ASSERT_TRUE(GetRecoveryStatePathsIn("/s", 1, paths));
    EXPECT_EQ(paths.working, "/s/cstemp.rdf");
    EXPECT_EQ(paths.last, "/s/cslast.rdf");
    ASSERT_TRUE(GetRecoveryStatePathsIn("/s", 2, paths));
    EXPECT_EQ(paths.working, "/s/lpstemp.rdf");
    EXPECT_EQ(paths.last, "/s/lpslast.rdf");
    for (int kind : {0, 3, -1, 7}) EXPECT_FALSE(GetRecoveryStatePathsIn("/s", kind, paths)) << kind;

    const int status[7] = {0, 1, 0, 3, 4, 2, 0};
    const int bound[5] = {6, 1, 5, 3, 4};
    for (int type = 0; type < 7; ++type) EXPECT_EQ(WizardStateStatus(type), status[type]) << type;
    for (int s = 0; s < 5; ++s) EXPECT_EQ(WizardStateRestoreBound(s), bound[s]) << s;
}

TEST(WizardStateFile, OnlyTheChainsTheModesWriteAreAccepted)
{
    struct Case {
        std::vector<int> chain;
        int status;
        bool accepted;
    };
    const Case cases[] = {
        // Format recovery: scan list current, RAW tree straight from the device page, trees of partitions.
        {{0, 1}, 1, true},
        {{0, 5}, 2, true},
        {{0, 1, 5}, 2, true},
        {{0, 1, 5}, 0, true},
        // Partition recovery: found list, a chosen partition built, full scans with and without page 4.
        {{2, 3}, 3, true},
        {{2, 3, 5}, 2, true},
        {{2, 3, 4}, 4, true},
        {{2, 4}, 4, true},
        {{2, 5}, 2, true},
        {{2, 3, 4, 5}, 2, true},
        {{2, 4, 5}, 2, true},
        // Refused: no device controller first, the other mode's controllers, order, repeats, wrong end.
        {{}, 0, false},
        {{1, 5}, 2, false},
        {{0, 3}, 3, false},
        {{2, 1}, 1, false},
        {{0, 5, 1}, 1, false},
        {{0, 1, 1}, 1, false},
        {{0, 1}, 2, false},
        {{2, 3}, 4, false},
        {{2, 4, 5}, 3, false},
        {{0, 0}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.chain) + " status " + std::to_string(c.status));
        EXPECT_EQ(IsAcceptedControllerChain(c.chain, c.status), c.accepted);
    }
}

TEST(WizardStateFile, WrittenWholeAndReadBackWithTheStatusBound)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "lpstemp.rdf").string();
    ASSERT_TRUE(WriteWizardStateFile(path, 2, {2, 3, 4, 5}, PatternSection(9000, 3)));
    EXPECT_EQ(FilesIn(dir.path()), 1u) << "no temporary file is left";
    EXPECT_EQ(StoredKind(path), 2);
    Loaded got = Load(path, 9000);
    ASSERT_TRUE(got.complete);
    EXPECT_EQ(got.chain, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(got.payload.size(), 9000u);
    char title[260];
    ASSERT_TRUE(ReadWizardStateTitle(path, title, sizeof title));
    EXPECT_STREQ(title, "Results for \r\nPartition \"E: DATA (FAT32)\"");

    // Back on the scan list: the file restores up to type 4, the found-file controller is left out.
    ASSERT_TRUE(SetWizardStateStatus(path, 4));
    EXPECT_EQ(Load(path, 9000).chain, (std::vector<int>{2, 3, 4}));
    // A page the chain does not reach (the disk page, or type 1 of the other mode): the file stops counting.
    for (int status : {0, 1}) {
        ASSERT_TRUE(SetWizardStateStatus(path, status));
        EXPECT_EQ(StoredKind(path), 0);
        EXPECT_FALSE(IsCompleteWizardStateFile(path));
    }
}

TEST(WizardStateFile, ResultTextIsCutOnACharacterBoundary)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "cstemp.rdf").string();
    // 99 ASCII bytes then a three-byte character that would straddle byte 100.
    const std::string text = std::string(99, 'a') + "\xE6\x97\xA5";
    ASSERT_TRUE(
        WriteWizardStateFile(path, 1, {0, 1}, [&](IRSData* s) { return WriteWizardStateTitle(s, text.c_str()); }));
    char title[260];
    ASSERT_TRUE(ReadWizardStateTitle(path, title, sizeof title));
    EXPECT_EQ(std::string(title), std::string(99, 'a'));
}

TEST(WizardStateFile, StatusIsNeverWrittenIntoAMissingOrDamagedFile)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "cstemp.rdf").string();
    EXPECT_FALSE(SetWizardStateStatus(path, 1));
    EXPECT_FALSE(fs::exists(path)) << "nothing is created";

    ASSERT_TRUE(WriteWizardStateFile(path, 1, {0, 1}, PatternSection(100, 1)));
    std::vector<uint8_t> bytes = ReadAll(path);
    bytes[40] ^= 0x20; // a title byte: the header check fails
    WriteAll(path, bytes);
    EXPECT_FALSE(SetWizardStateStatus(path, 1));
    EXPECT_EQ(ReadAll(path), bytes) << "a damaged header is not made valid again";
    EXPECT_FALSE(IsCompleteWizardStateFile(path));
}

TEST(WizardStateFile, AFailedSaveLeavesThePreviousFileAsItWas)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "cstemp.rdf").string();
    ASSERT_TRUE(WriteWizardStateFile(path, 2, {0, 1, 5}, PatternSection(5000, 9)));
    const std::vector<uint8_t> good = ReadAll(path);

    const WizardStateSections failing[] = {
        [](IRSData* s) {
            PatternSection(3000, 1)(s);
            return false;
        }, // a section reports failure
        [](IRSData* s) -> bool {
            PatternSection(3000, 1)(s);
            throw CRSException(RS_ERROR_WRITE_FAILED);
        }, // the disk is full
        [](IRSData* s) -> bool {
            s->BeginSection(kGuidB);
            s->Write("x", 1);
            throw CRSException(RS_ERROR_SHORT_READ);
        },
    };
    for (const WizardStateSections& sections : failing) {
        EXPECT_FALSE(WriteWizardStateFile(path, 2, {0, 1, 5}, sections));
        EXPECT_EQ(ReadAll(path), good);
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
    // A chain that the status does not name is not written at all.
    EXPECT_FALSE(WriteWizardStateFile(path, 1, {0, 5}, PatternSection(10, 0)));
    EXPECT_EQ(ReadAll(path), good);
}

TEST(WizardStateFile, AKilledSaveLeavesThePreviousFileAsItWas)
{
    testsupport::TempDir dir;
    WizardStatePaths paths;
    ASSERT_TRUE(GetRecoveryStatePathsIn(dir.path().string(), 1, paths));
    ASSERT_TRUE(WriteWizardStateFile(paths.working, 2, {0, 1, 5}, PatternSection(5000, 9)));
    const std::vector<uint8_t> good = ReadAll(paths.working);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Half a section written, then the parent is told and the process waits to be killed.
        WriteWizardStateFile(paths.working, 2, {0, 1, 5}, [&](IRSData* s) {
            s->BeginSection(kGuidA);
            std::vector<uint8_t> half(200000, 0x5A);
            s->Write(half.data(), unsigned(half.size()));
            if (::write(ready[1], "r", 1) != 1) ::_exit(3);
            ::pause();
            return true;
        });
        ::_exit(2);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(ReadAll(paths.working), good);
    ASSERT_TRUE(PromoteWizardStateFile(paths));
    EXPECT_EQ(ReadAll(paths.last), good);
    EXPECT_FALSE(fs::exists(paths.working));
    // The killed writer's temporary file goes with the next save.
    EXPECT_EQ(FilesIn(dir.path()), 2u);
    ASSERT_TRUE(WriteWizardStateFile(paths.working, 1, {0, 1}, PatternSection(10, 0)));
    EXPECT_EQ(FilesIn(dir.path()), 2u);
}

TEST(WizardStateFile, OnlyACompleteValidWorkingFileIsPromoted)
{
    testsupport::TempDir dir;
    WizardStatePaths paths;
    ASSERT_TRUE(GetRecoveryStatePathsIn(dir.path().string(), 2, paths));
    EXPECT_TRUE(PromoteWizardStateFile(paths)) << "nothing to promote is not a failure";

    ASSERT_TRUE(WriteWizardStateFile(paths.working, 3, {2, 3}, PatternSection(64, 2)));
    const std::vector<uint8_t> first = ReadAll(paths.working);
    ASSERT_TRUE(PromoteWizardStateFile(paths));
    EXPECT_EQ(ReadAll(paths.last), first);

    // Written while the disk page was current (status 0): never promoted over the good last file.
    ASSERT_TRUE(WriteWizardStateFile(paths.working, 0, {2}, PatternSection(64, 5)));
    ASSERT_TRUE(PromoteWizardStateFile(paths));
    EXPECT_EQ(ReadAll(paths.last), first);
    EXPECT_TRUE(fs::exists(paths.working));

    // A valid header over a body that lost its end: not promoted either.
    ASSERT_TRUE(WriteWizardStateFile(paths.working, 3, {2, 3}, PatternSection(64, 6)));
    std::vector<uint8_t> cut = ReadAll(paths.working);
    cut.resize(cut.size() - 10);
    WriteAll(paths.working, cut);
    ASSERT_TRUE(PromoteWizardStateFile(paths));
    EXPECT_EQ(ReadAll(paths.last), first);

    ASSERT_TRUE(CopyWizardStateFile(paths.last, paths.working));
    EXPECT_EQ(ReadAll(paths.working), first);
    EXPECT_FALSE(CopyWizardStateFile((dir / "none.rdf").string(), paths.working));
    EXPECT_EQ(ReadAll(paths.working), first);
}

// Every single-byte change and every cut: the file is refused, or what it gives is exactly the original.
TEST(WizardStateFile, EveryFlippedByteAndEveryCutIsRefusedOrHarmless)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "cstemp.rdf").string();
    ASSERT_TRUE(WriteWizardStateFile(path, 2, {0, 1, 5}, PatternSection(300, 11)));
    const std::vector<uint8_t> good = ReadAll(path);
    const Loaded original = Load(path, 300);
    ASSERT_TRUE(original.complete);

    const std::string damaged = (dir / "damaged.rdf").string();
    // The body check is the last section: 36 bytes of framing, a piece head and 12 bytes. Damage to its
    // framing, or a section length that makes the walk miss it, leaves a file that reads as one written
    // without a check; what the loaders then read is still whole, or they fail on it.
    const size_t checkAt = good.size() - 36 - 2 - 12;
    size_t passed = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        for (uint8_t mask : {uint8_t(0x01), uint8_t(0xFF)}) {
            std::vector<uint8_t> bytes = good;
            bytes[at] ^= mask;
            WriteAll(damaged, bytes);
            const Loaded got = Load(damaged, 300);
            if (got.complete) {
                EXPECT_EQ(got, original) << "flip at " << at;
                ++passed;
            }
        }
    }
    EXPECT_LE(passed, 2u * (36 + 3 * 4)) << "flips beyond the check's framing and the section lengths passed";
    for (size_t size = 0; size < good.size(); ++size) {
        WriteAll(damaged, std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(size)));
        const Loaded got = Load(damaged, 300);
        if (got.complete) {
            EXPECT_EQ(got, original) << "cut at " << size;
            EXPECT_GE(size, checkAt);
        }
    }
}

TEST(WizardStateFile, ChainCountsAndTypesFromTheFileAreBounded)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "chain.rdf").string();
    struct Case {
        const char* name;
        std::vector<uint32_t> words; // the section's u32 values
        int status;
        int code; // 0: read
    };
    const Case cases[] = {
        {"huge count", {0xFFFFFFFFu, 0, 1}, 1, RS_ERROR_BAD_LENGTH},
        {"count past the entries", {3, 0, 1}, 1, RS_ERROR_SHORT_READ},
        {"no count", {}, 1, RS_ERROR_SHORT_READ},
        {"unknown type", {2, 0, 9}, 0, RS_ERROR_BAD_LENGTH},
        {"type 6 entries skipped", {4, 6, 0, 6, 1}, 1, 0},
        {"nothing left under the bound", {2, 2, 4}, 1, RS_ERROR_BAD_LENGTH},
        {"count at the cap", std::vector<uint32_t>{16, 0, 1, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            CRSDataEx w(CRSData::kModeWrite);
            ASSERT_TRUE(w.Open(path.c_str(), true));
            RSHeader header;
            ASSERT_TRUE(w.WriteHeader(&header));
            w.BeginSection(kRSControllerChainGuid);
            for (uint32_t v : c.words) RSWriteValue<uint32_t>(&w, v);
            w.EndSection();
            w.Close();
        }
        CRSDataEx r(CRSData::kModeRead);
        ASSERT_TRUE(r.Open(path.c_str(), false));
        int code = 0;
        std::vector<int> chain;
        try {
            chain = ReadControllerChain(&r, c.status);
        } catch (const CRSException& e) {
            code = e.GetCode();
        }
        EXPECT_EQ(code, c.code);
        if (c.code == 0) {
            EXPECT_EQ(chain, (std::vector<int>{0, 1}));
        }
    }
}

// The body check is this program's own addition: a file written without it (by another writer) is still
// read, promoted and restored; a check that names other bytes than those before it refuses the file.
TEST(WizardStateFile, FilesWithoutTheBodyCheckAreReadAndAWrongCheckIsRefused)
{
    testsupport::TempDir dir;
    WizardStatePaths paths;
    ASSERT_TRUE(GetRecoveryStatePathsIn(dir.path().string(), 1, paths));
    const std::string checked = (dir / "checked.rdf").string();
    ASSERT_TRUE(WriteWizardStateFile(checked, 2, {0, 1, 5}, PatternSection(300, 11)));
    const Loaded original = Load(checked, 300);
    ASSERT_TRUE(original.complete);

    // The same file as a plain recovery-state writer makes it: header, chain, the section, nothing more.
    {
        CRSDataEx w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(paths.working.c_str(), true));
        RSHeader header;
        header.kind = 2;
        ASSERT_TRUE(w.WriteHeader(&header));
        WriteControllerChain(&w, {0, 1, 5});
        ASSERT_TRUE(PatternSection(300, 11)(&w));
        w.Close();
    }
    const std::vector<uint8_t> unchecked = ReadAll(paths.working);
    ASSERT_LT(unchecked.size(), ReadAll(checked).size());
    EXPECT_TRUE(CheckWizardStateBody(paths.working));
    EXPECT_EQ(Load(paths.working, 300), original);
    ASSERT_TRUE(PromoteWizardStateFile(paths));
    EXPECT_EQ(ReadAll(paths.last), unchecked);
    char title[260];
    EXPECT_TRUE(ReadWizardStateTitle(paths.last, title, sizeof title));

    // Once whole, it carries a check of the bytes it holds; the check of a file with another pattern, of the
    // same length, names other bytes.
    std::vector<uint8_t> rightCheck = ReadAll(checked);
    ASSERT_EQ(rightCheck.size() - unchecked.size(), 36u + 2 + 12);
    EXPECT_TRUE(std::equal(unchecked.begin() + 132, unchecked.end(), rightCheck.begin() + 132));
    ASSERT_TRUE(WriteWizardStateFile(checked, 2, {0, 1, 5}, PatternSection(300, 12)));
    const std::vector<uint8_t> withCheck = ReadAll(checked);
    std::vector<uint8_t> mixed = unchecked;
    const size_t checkSection = 36 + 2 + 12;
    mixed.insert(mixed.end(), withCheck.end() - std::ptrdiff_t(checkSection), withCheck.end());
    WriteAll(paths.working, mixed);
    EXPECT_FALSE(CheckWizardStateBody(paths.working));
    EXPECT_FALSE(Load(paths.working, 300).complete);
    ASSERT_TRUE(PromoteWizardStateFile(paths));
    EXPECT_EQ(ReadAll(paths.last), unchecked) << "a file refused by its check is not promoted";
}
