// What happened to a decode or a read of on-disk structures: a verdict and the counts behind it, so that a
// failed sector read is never taken for an empty table and skipped corrupt entries are never silent.
#pragma once

#include <cstdint>

namespace bytes {

enum class ParseStatus : uint8_t {
    Ok,        // every structure read and decoded
    Corrupt,   // the bytes were read but do not hold a valid structure
    IoFailure, // the device refused a read that the structure needs
    Cancelled, // the user stopped the job
};

const char* ParseStatusName(ParseStatus status);

// Counts kept over a walk: corrupt records are skipped and counted, the walk goes on.
struct ParseCounters {
    uint64_t recordsRead = 0;
    uint64_t corruptSkipped = 0;
    uint64_t readFailures = 0;

    void Add(const ParseCounters& other)
    {
        recordsRead += other.recordsRead;
        corruptSkipped += other.corruptSkipped;
        readFailures += other.readFailures;
    }
};

// A verdict with its counts; the worse of two verdicts wins when results are merged.
struct ParseResult {
    ParseStatus status = ParseStatus::Ok;
    ParseCounters counters;

    bool ok() const { return status == ParseStatus::Ok; }
    void Merge(ParseStatus other)
    {
        if (static_cast<uint8_t>(other) > static_cast<uint8_t>(status)) status = other;
    }
};

} // namespace bytes
