// Drawing exchange files end with the line "EOF" followed by CR LF.
#include "raw/FileDXFAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

TextMarker FileDXFAnalyser::Marker()
{
    return MakeTextMarker("EOF\r\n", 5, 0);
}

SpanWalkResult FileDXFAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    return WalkTextMarker(source, Marker(), limits);
}

int FileDXFAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
