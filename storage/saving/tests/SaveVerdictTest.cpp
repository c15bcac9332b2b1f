// The one verdict on a recovery: a table of tallies and what they come to.
#include "storage/saving/SaveVerdict.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SaveTally Tally(int saved, int partial, int failed, const char* reason = "")
{
    SaveTally t;
    t.sourceUsable = true;
    t.filesFound = saved + failed;
    t.counts.filesSaved = saved;
    t.counts.filesPartial = partial;
    t.counts.filesFailed = failed;
    t.counts.firstReason = reason;
    return t;
}

} // namespace

TEST(SaveVerdict, EveryOutcomeHasOneKindAndCode)
{
    SaveTally unusable;
    SaveTally error = Tally(3, 0, 0);
    error.error = true;
    SaveTally shortEmpty = Tally(0, 0, 0);
    shortEmpty.sourceShort = true;
    SaveTally shortSaved = Tally(2, 0, 0);
    shortSaved.sourceShort = true;
    SaveTally lost = Tally(2, 0, 0);
    lost.lostSectors = 1;
    SaveTally folder = Tally(2, 0, 0);
    folder.counts.foldersFailed = 1;
    SaveTally cancelled = Tally(2, 0, 0);
    cancelled.filesFound = 5;
    SaveTally unreadableVolume = Tally(2, 0, 0);
    unreadableVolume.volumesUnreadable = 1;
    struct Case {
        const char* name;
        SaveTally tally;
        SaveVerdictKind kind;
        int exitCode;
    } const cases[] = {
        {"nothing recognised", unusable, SaveVerdictKind::NothingSaved, 1},
        {"an error", error, SaveVerdictKind::NothingSaved, 1},
        {"a readable file system with nothing to save", Tally(0, 0, 0), SaveVerdictKind::AllSaved, 0},
        {"all saved whole", Tally(5, 0, 0), SaveVerdictKind::AllSaved, 0},
        {"one with unreadable parts", Tally(5, 1, 0), SaveVerdictKind::Partial, 3},
        {"some not saved", Tally(4, 0, 1, "No space left on device"), SaveVerdictKind::Partial, 3},
        {"none saved", Tally(0, 0, 4, "No space left on device"), SaveVerdictKind::NothingSaved, 1},
        {"short source, nothing found", shortEmpty, SaveVerdictKind::NothingSaved, 1},
        {"short source, all found saved", shortSaved, SaveVerdictKind::Partial, 3},
        {"unreadable sectors", lost, SaveVerdictKind::Partial, 3},
        {"a folder not made", folder, SaveVerdictKind::Partial, 3},
        {"a partition not readable", unreadableVolume, SaveVerdictKind::Partial, 3},
        {"files never reached (cancelled)", cancelled, SaveVerdictKind::Partial, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SaveVerdict v = JudgeSave(c.tally);
        EXPECT_EQ(v.kind, c.kind);
        EXPECT_EQ(v.exitCode, c.exitCode);
    }
}

TEST(SaveVerdict, LinesTellCountsReasonAndShortSource)
{
    SaveTally t = Tally(3, 1, 2, "No space left on device");
    t.counts.unreadableBytes = 512;
    const SaveVerdict v = JudgeSave(t);
    EXPECT_EQ(v.savedWhole, 2);
    EXPECT_EQ(v.savedPartial, 1);
    EXPECT_EQ(v.notSaved, 2);
    SaveTally other = Tally(1, 0, 1, "Read-only file system");
    other.sourceShort = true;
    other.sourceBytes = 3145728;
    other.fileSystemBytes = 41943040;
    t.Add(other);
    const std::vector<std::string> expected = {
        "saved 4 files, 3 failed",
        "1 files with unreadable parts (512 bytes)",
        "not saved: No space left on device",
        "the source is shorter than its file system: 3145728 of 41943040 bytes",
    };
    EXPECT_EQ(SaveVerdictLines(t), expected);
    EXPECT_EQ(SaveVerdictLines(Tally(2, 0, 0)), std::vector<std::string>{"saved 2 files, 0 failed"});
}
