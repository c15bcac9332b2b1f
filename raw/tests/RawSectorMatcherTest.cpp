// The sector matcher gives the answer of asking the list in order, on true headers, near misses and noise.
#include "raw/RawSectorMatcher.h"

#include "raw/RawAnalyserFactory.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/tests/RawTestSectors.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace {

using rawtest::Sector;

// An analyser with the signature test of a class, counting how often it is asked.
class Probe : public IRawFileAnalyser {
public:
    explicit Probe(RawSignature signature) : IRawFileAnalyser(100 + int(signature), signature) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        ++m_asked;
        return MatchRawSignature(m_signature, sector, hit);
    }
    int m_asked = 0;
};

// No signature: matches any sector whose byte 100 is 0x5A, the way a header script may test any offset.
class AnyProbe : public IRawFileAnalyser {
public:
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        ++m_asked;
        if (sector[100] == 0x77) throw std::runtime_error("damaged");
        if (sector[100] != 0x5A) return 0;
        hit->SetFileType(1000);
        hit->SetSize(0);
        return 1;
    }
    int m_asked = 0;
};

IRawFileAnalyser* AskInOrder(const RawAnalyserList& list, const uint8_t* sector, CRawFileInfo* hit)
{
    if (sector[0] == 0 && sector[1] == 0 && sector[2] == 0 && sector[3] == 0) return nullptr;
    for (size_t i = 0; i < list.Size(); ++i) {
        try {
            if (list.At(i)->IsMatch(sector, hit)) return list.At(i);
        } catch (...) {
        }
    }
    return nullptr;
}

void AddAllSignatures(RawAnalyserList& list)
{
    for (size_t s = 1; s < kRawSignatureCount; ++s) list.Append(std::make_unique<Probe>(RawSignature(s)));
}

std::vector<Sector> Sectors()
{
    using namespace rawtest;
    std::vector<Sector> out;
    auto add = [&](auto build) {
        Sector s{};
        build(s);
        out.push_back(s);
    };
    add(Make3ds), add(MakeAsf), add(MakeAu), add(MakeBmp), add(MakeCab), add(MakeChm), add(MakeCrw), add(MakeDbx);
    add(MakeEmf), add(MakeEps), add(MakeFh11), add(MakeHlp), add(MakeIco), add(MakeMid), add(MakeOle), add(MakeOne);
    add(MakePst), add([](Sector& s) { MakeTtf(s); }), add(MakeWmf), add([](Sector& s) { MakePlaceableWmf(s); });
    for (const char* form : {"WAVEfmt ", "AVI LIST", "CDR9vrsn", "WEBPVP8 "})
        add([&](Sector& s) { MakeRiff(s, form); });
    for (const char* ftyp : {"ftypisom", "ftypqt  ", "ftyp3gp4", "FTYPMP42"})
        add([&](Sector& s) { Be32(s, 0, 20), Put(s, 4, ftyp); });
    add([](Sector& s) { Bytes(s, 0, {0, 1, 0, 0}), Put(s, 4, "MSISAM Database"); });
    add([](Sector& s) { Bytes(s, 0, {0, 1, 0, 0}), Put(s, 4, "Standard Jet DB"); });
    add([](Sector& s) { Bytes(s, 0, {0x20, 0x5A}), Put(s, 2, "-lh0-"); });
    add([](Sector& s) { Put(s, 0, "file.txt"), Put(s, 257, "ustar"); });
    add([](Sector& s) { Put(s, 0, "<!-- -->"), Put(s, 300, "<HTML>"); });
    add([](Sector& s) { Bytes(s, 0, {0xFF, 0xFE, 0x3C, 0}); });
    add([](Sector& s) { Bytes(s, 0, {0xFF, 0xD8, 0xFF, 0xE0}), Put(s, 6, "JFIF"); });
    add([](Sector& s) { Bytes(s, 0, {0xDB, 0xA5, 0x2D, 0}); });
    add([](Sector& s) { Put(s, 0, "PK\x03\x04"); });
    add([](Sector& s) {
        Put(s, 0, "%PDF-1.7");
        s[100] = 0x5A;
    });
    add([](Sector& s) {
        Put(s, 0, "XYZ");
        s[100] = 0x5A;
    });
    add([](Sector& s) {
        Put(s, 0, "%PDF-1.7");
        s[100] = 0x77;
    });
    add([](Sector& s) {
        Put(s, 257, "ustar");
        s[100] = 0x5A;
    }); // first word zero: skipped

    const size_t trueHeaders = out.size();
    // Noise: random sectors, and random sectors carrying each key byte at its offset.
    std::mt19937 random(7);
    for (int n = 0; n < 400; ++n) {
        Sector s;
        for (auto& b : s) b = uint8_t(random());
        out.push_back(s);
        for (size_t sig = 1; sig < kRawSignatureCount; ++sig) {
            const RawSignatureKey& key = GetRawSignatureKey(RawSignature(sig));
            Sector k = s;
            k[key.offset] = key.values[random() % key.count];
            out.push_back(k);
        }
    }
    // Near misses: each true header with one byte of its first 64 changed.
    for (size_t i = 0; i < trueHeaders; ++i)
        for (size_t at = 0; at < 64; at += 3) {
            Sector s = out[i];
            s[at] ^= 0x21;
            out.push_back(s);
        }
    return out;
}

void ExpectSameAsInOrder(const RawAnalyserList& list)
{
    const RawSectorMatcher matcher(list);
    size_t matched = 0;
    for (const Sector& s : Sectors()) {
        CRawFileInfo a, b;
        IRawFileAnalyser* fast = matcher.Match(s.data(), &a);
        IRawFileAnalyser* slow = AskInOrder(list, s.data(), &b);
        ASSERT_EQ(fast, slow) << "first bytes " << int(s[0]) << " " << int(s[1]) << " " << int(s[2]) << " "
                              << int(s[3]);
        if (fast) {
            ++matched;
            EXPECT_EQ(a.GetFileType(), b.GetFileType());
            EXPECT_EQ(a.GetSize(), b.GetSize());
        }
    }
    EXPECT_GT(matched, 40u);
}

TEST(RawSectorMatcherTest, SameAnswerAsAskingTheListInOrder)
{
    RawAnalyserList list;
    AddAllSignatures(list);
    ExpectSameAsInOrder(list);

    // A scan's list: repeated classes, another order, an analyser without a signature in the middle.
    RawAnalyserList scan;
    for (RawSignature s : {RawSignature::LowDoc, RawSignature::OLE, RawSignature::MOV, RawSignature::RIFF,
                           RawSignature::OLE, RawSignature::MP4, RawSignature::RIFF})
        scan.Append(std::make_unique<Probe>(s));
    scan.Append(std::make_unique<AnyProbe>());
    AddAllSignatures(scan);
    ExpectSameAsInOrder(scan);
}

TEST(RawSectorMatcherTest, RealAnalysersOfAFullScanKeepToTheirSignatures)
{
    // The list of a scan of every type, with the analyser classes built so far: each class's IsMatch must accept
    // only what its declared signature does, or the matcher would answer differently from the list.
    RawAnalyserList list;
    std::vector<int> all;
    for (int id = 1; id <= 73; ++id) all.push_back(id);
    list.ResetFromTypeIds(&all);
    ExpectSameAsInOrder(list);
    for (size_t i = 0; i < list.Size(); ++i) {
        Sector s{};
        std::mt19937 random{unsigned(i)};
        for (auto& b : s) b = uint8_t(random());
        CRawFileInfo hit;
        if (list.At(i)->GetSignature() == RawSignature::None) continue;
        EXPECT_EQ(list.At(i)->IsMatch(s.data(), &hit),
                  MatchRawSignature(list.At(i)->GetSignature(), s.data(), nullptr));
    }
}

TEST(RawSectorMatcherTest, OrderDecidesOverlapsAndRepeatsAreAskedOnce)
{
    RawAnalyserList list;
    for (RawSignature s : {RawSignature::LowDoc, RawSignature::OLE, RawSignature::OLE, RawSignature::OLE})
        list.Append(std::make_unique<Probe>(s));
    const RawSectorMatcher matcher(list);
    EXPECT_EQ(matcher.BucketEntryCount(), 3u + 1u); // three first bytes of LowDoc, one OLE

    Sector s{};
    rawtest::MakeOle(s);
    CRawFileInfo hit;
    EXPECT_EQ(matcher.Match(s.data(), &hit), list.At(0));
    EXPECT_EQ(hit.GetFileType(), 21);

    s[4] = 0; // no longer LowDoc's... still D0 CF 11 E0: LowDoc takes every compound document
    EXPECT_EQ(matcher.Match(s.data(), &hit), list.At(0));
    s[3] = 0xE1; // neither
    EXPECT_EQ(matcher.Match(s.data(), &hit), nullptr);
    EXPECT_EQ(static_cast<Probe*>(list.At(1))->m_asked, 1);
    EXPECT_EQ(static_cast<Probe*>(list.At(2))->m_asked, 0);
}

TEST(RawSectorMatcherTest, ZeroFirstWordAndUnrelatedSectorsAskNobody)
{
    RawAnalyserList list;
    AddAllSignatures(list);
    list.Append(std::make_unique<AnyProbe>());
    const RawSectorMatcher matcher(list);
    EXPECT_EQ(matcher.OffsetTestCount(), 7u);

    Sector zero{};
    rawtest::Put(zero, 257, "ustar");
    zero[100] = 0x5A;
    CRawFileInfo hit;
    EXPECT_EQ(matcher.Match(zero.data(), &hit), nullptr);
    Sector plain{};
    plain.fill(0x11);
    EXPECT_EQ(matcher.Match(plain.data(), &hit), nullptr);
    for (size_t i = 0; i + 1 < list.Size(); ++i) EXPECT_EQ(static_cast<Probe*>(list.At(i))->m_asked, 0) << i;
    EXPECT_EQ(static_cast<AnyProbe*>(list.At(list.Size() - 1))->m_asked, 1);

    const RawSectorMatcher empty{RawAnalyserList{}};
    EXPECT_EQ(empty.Match(plain.data(), &hit), nullptr);
}

} // namespace
