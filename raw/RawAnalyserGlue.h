// Runs a structure walk of an analyser on a hit: the walk reads through the hit's RawSectorReader as a
// SpanSource, takes its bounds from the RawWalk, and its verdict is copied into the hit.
#pragma once

#include "raw/SpanWalk.h"

#include <functional>

class CRawFileInfo;
class IStorageDevice;
class RawSectorReader;
class RawWalk;

using SpanWalkFunction = std::function<SpanWalkResult(SpanSource&, const SpanWalkLimits&)>;

// The reader of a walk as a SpanSource.
class ReaderSpanSource : public SpanSource {
public:
    explicit ReaderSpanSource(RawSectorReader& reader) : m_reader(reader) {}
    std::span<const uint8_t> At(uint64_t offset) override;

private:
    RawSectorReader& m_reader;
};

// The bounds of a walk: its maximal file size, the bytes to the device's end, and its step hook.
SpanWalkLimits MakeSpanWalkLimits(RawWalk& walk);
// Sets the hit's size (when the walk set one, clamped to the device) and type (when refined); returns ok as 1/0.
int ApplySpanWalk(CRawFileInfo& hit, const SpanWalkResult& result, const SpanWalkLimits& limits);
// The analyser's Analyse: the walk over the device's bytes from the hit's first sector, through RunRawWalk
// (exceptions and the caps of every walk). Null arguments give 0.
int RunSpanWalk(CRawFileInfo* hit, IStorageDevice* device, const SpanWalkFunction& walk);
