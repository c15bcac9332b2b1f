// Progress and findings of the lost-partition search, reported from the search thread.
#pragma once

#include <cstdint>

struct CLostPartitionRecord;

class IPartitionSearchCallback {
public:
    virtual ~IPartitionSearchCallback() = default;
    // Dispatches the window messages that are waiting.
    virtual void PumpMessages() = 0;
    // One candidate has been taken.
    virtual void Step() = 0;
    // Non-zero once the user has cancelled.
    virtual int IsCancelled() = 0;
    virtual void SetStep(int n) = 0;
    virtual void AdvanceOne() = 0;
    virtual void SetRange(uint64_t low, uint64_t high) = 0;
    virtual void SetPos(int pos) = 0;
    // Does nothing.
    virtual void Reserved() = 0;
    // The receiver copies the record (the search reuses its own for the next candidate) and keeps the copy.
    virtual void OnPartitionFound(const CLostPartitionRecord* record) = 0;
};
