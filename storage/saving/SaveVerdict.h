// The one verdict on a recovery: what was found, saved whole, saved with unreadable parts and not saved (with
// the first reason), and whether the source is shorter than its file system. Every road that saves judges by
// it (the result page of the wizard and each mode of the headless harness), so the same outcome is told the
// same way everywhere and ends with the same code.
#pragma once

#include "storage/saving/RecoverResult.h"

#include <cstdint>
#include <string>
#include <vector>

// What a recovery came to, gathered over every volume or partition it saved.
struct SaveTally {
    // Something to recover from was recognised: a file system, a partition, a file by its signature. A
    // recognised file system that holds nothing to save is usable; a source with no such thing is not.
    bool sourceUsable = false;
    // The run itself failed (the source or the target could not be used): told where it happened.
    bool error = false;
    int filesFound = 0;        // the files that were to be saved
    RecoverCounts counts;      // what became of them
    int volumesUnreadable = 0; // volumes or partitions whose file system was found but could not be read
    // The source ends before its file system does (an image cut short): bytes it has and bytes it should have.
    bool sourceShort = false;
    uint64_t sourceBytes = 0;
    uint64_t fileSystemBytes = 0;
    // Sectors that could not be read at all during the run (their bytes were taken as zeros).
    uint64_t lostSectors = 0;

    // Adds the tally of one more volume or partition of the same run.
    void Add(const SaveTally& other);
};

enum class SaveVerdictKind {
    AllSaved,     // every file found was saved whole (none found on a usable source included)
    Partial,      // something was saved, but not everything, or not everything whole
    NothingSaved, // nothing usable: no source to read, nothing saved, or an error
};

struct SaveVerdict {
    SaveVerdictKind kind = SaveVerdictKind::NothingSaved;
    int savedWhole = 0;
    int savedPartial = 0;
    int notSaved = 0;
    // The process exit code of the verdict: 0, 3 or 1.
    int exitCode = 1;
};

SaveVerdict JudgeSave(const SaveTally& tally);

// The verdict in English lines for a console, in this order: "saved N files, M failed" (N saved at all,
// whole or partial); "P files with unreadable parts (B bytes)" when any; "not saved: REASON" with the first
// reason when any file or folder failed; "the source is shorter than its file system: A of B bytes" when so.
std::vector<std::string> SaveVerdictLines(const SaveTally& tally);
