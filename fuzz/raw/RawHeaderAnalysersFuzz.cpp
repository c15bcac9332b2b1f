// fuzz-target: salvix_raw
// The header-sized analysers on a fuzzed device: the first bytes choose the sector size, the hit's start sector
// and the maximal RAW file size; every measured size must stay within the device and the option.
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "fuzz/common/FuzzDevice.h"
#include "fuzz/common/FuzzInput.h"
#include "raw/RawAnalyserFactory.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput input(data, size);
    const int32_t sectorSize = input.Bool() ? 4096 : 512;
    const uint64_t start = input.U8() % 4;
    const uint64_t maxSize = input.Bool() ? 1 + input.U32() % 100000 : CRecoverySettings::kDefaultMaxRawFileSize;
    const uint64_t extraSectors = input.U8() % 8;
    const std::span<const uint8_t> bytes = input.Rest();
    fuzz::FuzzDevice device(bytes, sectorSize, (bytes.size() + sectorSize - 1) / sectorSize + extraSectors);
    GetRecoverySettings()->m_maxRawFileSize = maxSize;
    const uint64_t limit = std::min(maxSize, GetRawBytesToDeviceEnd(&device, start));

    using C = RawAnalyserClass;
    for (C c : {C::File3DSAnalyser, C::FileAUAnalyser, C::FileBMPAnalyser, C::FileCABAnalyser, C::FileCHMAnalyser,
                C::FileDBXAnalyser, C::FileEMFAnalyser, C::FileEPSAnalyser, C::FileGZAnalyser, C::FileHLPAnalyser,
                C::FileICOAnalyser, C::FileMNYAnalyser, C::FileONEAnalyser, C::FilePSTAnalyser, C::FileRIFFAnalyser,
                C::FileSWFAnalyser, C::FileTTFAnalyser, C::FileWMFAnalyser, C::FileWPDAnalyser}) {
        auto analyser = CreateRawAnalyserOfClass(c);
        CRawFileInfo hit;
        hit.SetStartSector(start);
        analyser->Analyse(&hit, &device);
        if (hit.GetSize() > limit) std::abort();
    }
    GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize;
    return 0;
}
