// gzip: measured as the maximal RAW file size, no further than the device's end.
#include "raw/FileGZAnalyser.h"

#include "raw/RawWalk.h"

int FileGZAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    if (hit == nullptr) return 0;
    hit->SetSize(CapRawSize(GetRawMaxFileSize(), device, hit->GetStartSector()));
    return 1;
}
