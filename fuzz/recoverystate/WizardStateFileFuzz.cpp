// fuzz-target: salvix_recoverystate
// Wizard-state files as a later start reads them: completeness (header, status, chain, body check), the
// result text, the chain under every status bound, a status rewrite and the promotion of the file.
// First byte even: the rest is the file. Odd: byte 1 is the header status, then up to 20 little-endian
// u32 chain words (count included) taken from the input, then a controller section of the remaining bytes,
// written with a valid header so the chain and body readers are reached.
#include "core/rsdata/CRSException.h"
#include "core/rsdata/IRSData.h"
#include "fuzz/common/FuzzFile.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/WizardStateFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

constexpr RSGuid kSection{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};

void WriteBuilt(const std::string& path, const uint8_t* data, size_t size)
{
    CRSDataEx w(CRSData::kModeWrite);
    if (!w.Open(path.c_str(), true)) return;
    RSHeader header;
    header.kind = size > 1 ? data[1] % 6 : 0;
    w.WriteHeader(&header);
    size_t at = 2;
    try {
        w.BeginSection(kRSControllerChainGuid);
        size_t words = size > at ? data[at++] % 21 : 0;
        for (; words > 0 && size - at >= 4; --words, at += 4) {
            uint32_t v;
            std::memcpy(&v, data + at, 4);
            RSWriteValue<uint32_t>(&w, v);
        }
        w.BeginSection(kSection);
        if (size > at) w.Write(data + at, unsigned(size - at));
        w.EndSection();
    } catch (const CRSException&) {
    }
    w.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 1 << 18) return -1;
    std::string path;
    if (data[0] & 1) {
        path = fuzz::WriteFuzzFile("wizstate.rdf", nullptr, 0);
        WriteBuilt(path, data, size);
    } else {
        path = fuzz::WriteFuzzFile("wizstate.rdf", data + 1, size - 1);
    }
    volatile uint64_t sink = 0;
    sink = sink + IsCompleteWizardStateFile(path) + CheckWizardStateBody(path);
    char title[260];
    if (ReadWizardStateTitle(path, title, sizeof title) && std::strlen(title) > size_t(kMaxResultInfoBytes))
        __builtin_trap();
    static CRSDataEx r(CRSData::kModeRead); // one stream for every status: its buffers are large
    for (int status = 0; status <= 5; ++status) {
        if (!r.Open(path.c_str(), false)) break;
        try {
            const std::vector<int> chain = ReadControllerChain(&r, status);
            if (!IsAcceptedControllerChain(chain, status) || chain.size() > kMaxChainEntries) __builtin_trap();
            sink = sink + chain.size();
        } catch (const CRSException&) {
        }
    }
    r.Close();
    sink = sink + SetWizardStateStatus(path, size > 1 ? data[1] % 6 : 1);
    WizardStatePaths paths{path, path + ".last"};
    const bool complete = IsCompleteWizardStateFile(path);
    if (!PromoteWizardStateFile(paths)) __builtin_trap();
    // Only a complete file moves; anything else stays where it was.
    if (complete == (::access(path.c_str(), F_OK) == 0)) __builtin_trap();
    std::remove(paths.last.c_str());
    (void)sink;
    return 0;
}
