// MPEG-4 files measured by the shared atom walk.
#include "raw/FileMP4Analyser.h"

#include "raw/Mp4Atoms.h"
#include "raw/RawWalk.h"

int FileMP4Analyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [](RawWalk& walk) { return WalkMp4Atoms(walk); });
}
