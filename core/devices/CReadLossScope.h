// What the reads of one thread handed out as zeros because the source could not give them: sectors that
// failed to read, and sectors passed over unread in a failing stretch. The devices that read the storage
// itself (disk, volume, image file) report every such sector to the scopes open on the thread that asked,
// whatever devices (partition windows, 512-byte views, dynamic volumes) the request went through on its way.
// A caller opens a scope around the reads it answers for: the pieces of one saved file, a whole scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// Lives on the stack of the thread whose reads it counts; scopes nest, and each open scope hears every report.
class CReadLossScope {
public:
    // One report: count sectors of unit bytes from first on the device source (the key of the storage that
    // failed), zeroed at where in the caller's memory (null when not known); skipped: passed over unread.
    struct Record {
        const void* source = nullptr;
        uint64_t first = 0;
        uint64_t count = 0;
        uint32_t unit = 512;
        const uint8_t* where = nullptr;
        bool skipped = false;
    };

    CReadLossScope();
    ~CReadLossScope();
    CReadLossScope(const CReadLossScope&) = delete;
    CReadLossScope& operator=(const CReadLossScope&) = delete;

    // Tells every scope open on the calling thread; nothing happens when none is.
    static void Report(const Record& record);
    static bool AnyOpen();

    // Distinct sectors reported since the scope opened (a sector reported twice counts once), those passed
    // over unread among them, and their bytes.
    uint64_t GetLostSectors() const { return m_lostSectors; }
    uint64_t GetSkippedSectors() const { return m_skippedSectors; }
    uint64_t GetLostBytes() const { return m_lostBytes; }
    bool Empty() const { return m_lostSectors == 0; }

    // Of a read into buffer (bufferBytes long) whose first counted bytes matter: the zeroed bytes that lie in
    // those counted bytes, plus the bytes zeroed in a device's own memory on the way (their place in buffer is
    // not known, so they count whole); at most counted.
    uint64_t LostBytesIn(const void* buffer, size_t bufferBytes, size_t counted) const;

    // The reports heard so far, for handing to another thread (the read-ahead gives them to its consumer).
    // When more came than are kept with their places, every distinct sector heard of instead, one record per
    // stretch (places unknown), so that the scopes they are reported to on the other thread count exactly
    // the sectors and bytes this one did.
    std::vector<Record> TakeRecords();

private:
    void Add(const Record& record);

    CReadLossScope* m_outer;
    // Per source and kind (failed, skipped): the source's sector size and the disjoint sector intervals
    // first -> end (exclusive) heard of.
    struct Seen {
        uint32_t unit = 512;
        std::map<uint64_t, uint64_t> intervals;
    };
    std::map<std::pair<const void*, bool>, Seen> m_seen;
    std::vector<Record> m_records;
    bool m_recordsOverflowed = false;
    uint64_t m_zeroedBytes = 0; // every report, repeats included
    uint64_t m_lostSectors = 0;
    uint64_t m_skippedSectors = 0;
    uint64_t m_lostBytes = 0;
};
