// The rules every RAW measuring walk obeys, as shared helpers: the size bound of the options, the clamp to the
// bytes left on the device, an exception meaning "not found", the step hook of long walks, and clean names.
#pragma once

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawSectorReader.h"

#include <cstdint>
#include <string>
#include <string_view>

class IStorageDevice;

// The maximal RAW file size option (bytes).
uint64_t GetRawMaxFileSize();
// Bytes from startSector to the device's end; UINT64_MAX when the device does not know its size.
uint64_t GetRawBytesToDeviceEnd(IStorageDevice* device, uint64_t startSector);
// size, at most the maximal RAW file size option and at most the bytes left on the device from startSector.
uint64_t CapRawSize(uint64_t size, IStorageDevice* device, uint64_t startSector);
// CapRawSize applied to the hit's own size and start sector; the scan calls it on every match whose header
// gave a size.
void CapRawHitSize(CRawFileInfo* hit, IStorageDevice* device);

// Called every kRawStepsPerHook steps of a walk on the thread that set it (see RawWalk::Step); a walk running
// without a hook just counts. Kept per thread: scans and tests on other threads see their own hook.
using RawWalkStepHook = void (*)(void* context);
class ScopedRawWalkStepHook {
public:
    ScopedRawWalkStepHook(RawWalkStepHook hook, void* context);
    ~ScopedRawWalkStepHook();
    ScopedRawWalkStepHook(const ScopedRawWalkStepHook&) = delete;
    ScopedRawWalkStepHook& operator=(const ScopedRawWalkStepHook&) = delete;

private:
    RawWalkStepHook m_previousHook;
    void* m_previousContext;
};
inline constexpr unsigned kRawStepsPerHook = 10;

// One measuring walk over a hit's file: its reader and bounds. Made by RunRawWalk.
class RawWalk {
public:
    RawWalk(CRawFileInfo* hit, IStorageDevice* device);

    RawSectorReader& Reader() { return m_reader; }
    CRawFileInfo* Hit() { return m_hit; }
    IStorageDevice* Device() { return m_device; }

    // The maximal RAW file size option.
    uint64_t MaxSize() const { return m_maxSize; }
    // Bytes from the file's start to the device's end (UINT64_MAX when unknown).
    uint64_t BytesToDeviceEnd() const { return m_reader.GetBytesToDeviceEnd(); }
    // The smaller of the two: no measured size may exceed it.
    uint64_t Limit() const;
    // The bound checked before each step: false once the running offset exceeds the maximal size option (the
    // walk then stops and, unless its format says otherwise, reports the offset reached).
    bool WithinBound(uint64_t offset) const { return offset <= m_maxSize; }
    // Call once per structure visited; every `every` calls it calls the thread's step hook.
    void Step(unsigned every = kRawStepsPerHook);
    uint64_t Steps() const { return m_steps; }

private:
    CRawFileInfo* m_hit;
    IStorageDevice* m_device;
    RawSectorReader m_reader;
    uint64_t m_maxSize;
    uint64_t m_steps = 0;
};

// Runs body(RawWalk&) -> int (1 success, 0 failure) as an analyser's Analyse: an exception from the body sets
// the hit's size to 0 and answers 0; afterwards the size the body set is capped by CapRawSize.
template <class Body>
int RunRawWalk(CRawFileInfo* hit, IStorageDevice* device, Body&& body)
{
    if (hit == nullptr) return 0;
    int result = 0;
    try {
        RawWalk walk(hit, device);
        result = body(walk);
    } catch (...) {
        hit->SetSize(0);
        return 0;
    }
    CapRawHitSize(hit, device);
    return result;
}

// A text from a file's contents (camera model, song title) made fit to start a file name, as saving cleans
// names: it ends at the first zero byte; '/', '\\', the characters : ? | * > < " and control characters become
// '#'; blanks at either end are removed; at most kRawMaxNamePrefixBytes bytes, cut on a character boundary;
// an empty result, or one of dots only ("." or ".."), becomes "FILE".
inline constexpr size_t kRawMaxNamePrefixBytes = 64;
std::string CleanRawNamePrefix(std::string_view text);
