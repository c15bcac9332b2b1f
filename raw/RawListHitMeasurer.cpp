// Hit measuring through the analyser list.
#include "raw/RawListHitMeasurer.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/CRAWSearchController.h"
#include "raw/RawAnalyserList.h"

#include <vector>

bool RawListHitMeasurer::Measure(CRawFileInfo* hit, IStorageDevice* device, uint64_t& size, std::string& namePrefix,
                                 std::string& extraText)
{
    size = 0;
    if (hit == nullptr) return false;
    RawAnalyserList& list = GetRawAnalyserList();
    if (list.Empty()) {
        // A tree built from a restored state comes before any scan of this process: the analysers are those of
        // the types selected now, as a scan would make them.
        const std::vector<int> ids = RawScanTypeIds(GetRecoverySettings()->m_rawTypeIds);
        list.ResetFromTypeIds(&ids);
    }
    IRawFileAnalyser* analyser = list.FindByAnalyserType(hit->GetAnalyserType());
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
