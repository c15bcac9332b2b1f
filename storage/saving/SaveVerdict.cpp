// The verdict on a recovery.
#include "storage/saving/SaveVerdict.h"

#include <cstdio>

void SaveTally::Add(const SaveTally& other)
{
    sourceUsable = sourceUsable || other.sourceUsable;
    error = error || other.error;
    filesFound += other.filesFound;
    counts.Add(other.counts);
    volumesUnreadable += other.volumesUnreadable;
    if (other.sourceShort && !sourceShort) {
        sourceShort = true;
        sourceBytes = other.sourceBytes;
        fileSystemBytes = other.fileSystemBytes;
    }
    lostSectors += other.lostSectors;
}

SaveVerdict JudgeSave(const SaveTally& tally)
{
    SaveVerdict verdict;
    const RecoverCounts& c = tally.counts;
    verdict.savedPartial = c.filesPartial;
    verdict.savedWhole = c.filesSaved - c.filesPartial;
    verdict.notSaved = c.filesFailed;
    if (tally.error || !tally.sourceUsable) return verdict;
    // Anything short of every file saved whole from a source read whole: a folder or a volume that could not be
    // read or made, a source cut short or with sectors that gave nothing (what lay there is not even known).
    // Files found that were neither saved nor failed were never reached (a cancelled save).
    const bool anyLoss = c.filesFailed || c.filesPartial || c.foldersFailed || tally.volumesUnreadable ||
                         tally.sourceShort || tally.lostSectors || tally.filesFound > c.filesSaved + c.filesFailed;
    if (!anyLoss) {
        verdict.kind = SaveVerdictKind::AllSaved;
        verdict.exitCode = 0;
    } else if (c.filesSaved > 0) {
        verdict.kind = SaveVerdictKind::Partial;
        verdict.exitCode = 3;
    }
    return verdict;
}

std::vector<std::string> SaveVerdictLines(const SaveTally& tally)
{
    const RecoverCounts& c = tally.counts;
    std::vector<std::string> lines;
    char line[256];
    std::snprintf(line, sizeof line, "saved %d files, %d failed", c.filesSaved, c.filesFailed);
    lines.emplace_back(line);
    if (c.filesPartial) {
        std::snprintf(line, sizeof line, "%d files with unreadable parts (%llu bytes)", c.filesPartial,
                      static_cast<unsigned long long>(c.unreadableBytes));
        lines.emplace_back(line);
    }
    if (c.foldersFailed) {
        std::snprintf(line, sizeof line, "%d folders could not be made", c.foldersFailed);
        lines.emplace_back(line);
    }
    if ((c.filesFailed || c.foldersFailed) && !c.firstReason.empty()) lines.push_back("not saved: " + c.firstReason);
    if (tally.sourceShort) {
        std::snprintf(line, sizeof line, "the source is shorter than its file system: %llu of %llu bytes",
                      static_cast<unsigned long long>(tally.sourceBytes),
                      static_cast<unsigned long long>(tally.fileSystemBytes));
        lines.emplace_back(line);
    }
    return lines;
}
