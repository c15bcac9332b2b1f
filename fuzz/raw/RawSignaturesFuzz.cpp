// fuzz-target: salvix_raw
// Every signature test on one fuzzed sector: a match must name a key byte the sector matcher dispatches on,
// and the matcher over all signatures (repeated, with one in another order) must answer as the list in order.
#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawSectorMatcher.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

class Probe : public IRawFileAnalyser {
public:
    explicit Probe(RawSignature signature) : IRawFileAnalyser(int(signature), signature) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(m_signature, sector, hit);
    }
};

const RawAnalyserList& List()
{
    static RawAnalyserList list;
    if (list.Empty()) {
        list.Append(std::make_unique<Probe>(RawSignature::LowDoc));
        list.Append(std::make_unique<Probe>(RawSignature::MOV));
        for (size_t s = 1; s < kRawSignatureCount; ++s) list.Append(std::make_unique<Probe>(RawSignature(s)));
        list.Append(std::make_unique<Probe>(RawSignature::RIFF));
    }
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::array<uint8_t, kRawMatchBytes> sector{};
    std::memcpy(sector.data(), data, size < sector.size() ? size : sector.size());

    for (size_t s = 1; s < kRawSignatureCount; ++s) {
        RawSignatureMatch found;
        if (!DecodeRawSignature(RawSignature(s), sector, found)) continue;
        const RawSignatureKey& key = GetRawSignatureKey(RawSignature(s));
        bool fits = false;
        for (uint8_t v = 0; v < key.count; ++v) fits |= sector[key.offset] == key.values[v];
        if (!fits || found.type <= 0 || found.type > 73) std::abort();
    }

    static const RawSectorMatcher matcher(List());
    CRawFileInfo fast, slow;
    IRawFileAnalyser* a = matcher.Match(sector.data(), &fast);
    IRawFileAnalyser* b = nullptr;
    if (bytes::LoadU32le(sector.data()) != 0)
        for (size_t i = 0; i < List().Size() && !b; ++i)
            if (List().At(i)->IsMatch(sector.data(), &slow)) b = List().At(i);
    if (a != b || fast.GetFileType() != slow.GetFileType() || fast.GetSize() != slow.GetSize()) std::abort();
    return 0;
}
