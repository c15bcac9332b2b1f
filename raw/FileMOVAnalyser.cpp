// QuickTime files measured by their own atom walk.
#include "raw/FileMOVAnalyser.h"

#include "raw/Mp4Atoms.h"
#include "raw/RawWalk.h"

int FileMOVAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [](RawWalk& walk) { return WalkMovAtoms(walk); });
}
