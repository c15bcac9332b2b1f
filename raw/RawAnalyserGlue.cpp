// Runs the span walks of the analysers on hits over a device.
#include "raw/RawAnalyserGlue.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawSectorReader.h"
#include "raw/RawWalk.h"

std::span<const uint8_t> ReaderSpanSource::At(uint64_t offset)
{
    return m_reader.GetSpan(offset);
}

SpanWalkLimits MakeSpanWalkLimits(RawWalk& walk)
{
    SpanWalkLimits limits;
    limits.maxFileSize = walk.MaxSize();
    limits.deviceBytes = walk.BytesToDeviceEnd();
    limits.pump = [&walk] { walk.Step(1); };
    return limits;
}

int ApplySpanWalk(CRawFileInfo& hit, const SpanWalkResult& result, const SpanWalkLimits& limits)
{
    if (result.sizeSet) hit.SetSize(limits.Clamp(result.size));
    if (result.type >= 0) hit.SetFileType(result.type);
    return result.ok ? 1 : 0;
}

int RunSpanWalk(CRawFileInfo* hit, IStorageDevice* device, const SpanWalkFunction& walk)
{
    if (!hit || !device || !walk) return 0;
    return RunRawWalk(hit, device, [&walk](RawWalk& w) {
        ReaderSpanSource source(w.Reader());
        const SpanWalkLimits limits = MakeSpanWalkLimits(w);
        return ApplySpanWalk(*w.Hit(), walk(source, limits), limits);
    });
}
