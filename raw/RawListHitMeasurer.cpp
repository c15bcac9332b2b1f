// Hit measuring through the analyser list.
#include "raw/RawListHitMeasurer.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserList.h"

bool RawListHitMeasurer::Measure(CRawFileInfo* hit, IStorageDevice* device, uint64_t& size, std::string& namePrefix,
                                 std::string& extraText)
{
    size = 0;
    if (hit == nullptr) return false;
    IRawFileAnalyser* analyser = GetRawAnalyserList().FindByAnalyserType(hit->GetAnalyserType());
    if (analyser == nullptr) return false;
    const uint64_t before = hit->GetSize();
    try {
        analyser->Analyse(hit, device);
        size = hit->GetSize();
        namePrefix = analyser->GetNamePrefix();
        extraText = analyser->GetExtraText();
    } catch (...) {
        size = 0;
    }
    hit->SetSize(before);
    return true;
}
