// 3GPP files measured by the atom walk they share with MPEG-4 files.
#include "raw/File3GPAnalyser.h"

#include "raw/Mp4Atoms.h"
#include "raw/RawWalk.h"

int File3GPAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [](RawWalk& walk) { return WalkMp4Atoms(walk); });
}
