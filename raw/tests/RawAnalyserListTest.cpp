// The analyser list and the factory: every class of the list, default order, rows by RAW type id, rebuilding,
// lookups.
#include "raw/RawAnalyserFactory.h"
#include "raw/RawAnalyserList.h"

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <map>
#include <set>

namespace {

using C = RawAnalyserClass;

// Own type id of each class in list order (the custom analyser keeps -1).
const int kOwnTypes[kRawAnalyserClassCount] = {
    RawType::k3DS, RawType::k3GP,  RawType::kASF,  RawType::kAU,  RawType::kBMP, RawType::kCAB,
    RawType::kCHM, RawType::kCPT,  RawType::kCRW,  RawType::kDBX, RawType::kDWG, RawType::kDXF,
    RawType::kEMF, RawType::kEPS,  RawType::kFH11, RawType::kGIF, RawType::kGZ,  RawType::kHLP,
    RawType::kHTM, RawType::kICO,  RawType::kJPG,  RawType::kDOC, RawType::kLZH, RawType::kMDB,
    RawType::kMID, RawType::kMNY,  RawType::kMOV,  RawType::kMP3, RawType::kMP4, RawType::kOLE,
    RawType::kONE, RawType::kPDF,  RawType::kPNG,  RawType::kPSD, RawType::kPSP, RawType::kPST,
    RawType::kRAR, RawType::kRIFF, RawType::kRTF,  RawType::kSWF, RawType::kTAR, RawType::kTIF,
    RawType::kTTF, RawType::kHTM,  RawType::kWMF,  RawType::kWPD, RawType::kZIP, -1};

std::vector<std::string> Names(const RawAnalyserList& list)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < list.Size(); ++i)
        for (size_t c = 0; c < kRawAnalyserClassCount; ++c)
            if (auto probe = CreateRawAnalyserOfClass(C(c)); probe && typeid(*probe) == typeid(*list.At(i)))
                out.push_back(GetRawAnalyserClassName(C(c)));
    return out;
}

TEST(RawAnalyserListTest, EveryClassOfTheListIsMadeUnderItsOwnName)
{
    // Each row makes an object of the class it names (a row pointing at a neighbour's class would carve that
    // format twice and the named one never).
    for (size_t c = 0; c < kRawAnalyserClassCount; ++c) {
        const auto analyser = CreateRawAnalyserOfClass(C(c));
        ASSERT_NE(analyser, nullptr) << GetRawAnalyserClassName(C(c));
        int status = 0;
        std::unique_ptr<char, void (*)(void*)> made(
            abi::__cxa_demangle(typeid(*analyser).name(), nullptr, nullptr, &status), std::free);
        ASSERT_EQ(status, 0);
        EXPECT_STREQ(made.get(), GetRawAnalyserClassName(C(c)));
    }
    EXPECT_EQ(kRawAnalyserClassCount, 48u);
}

TEST(RawAnalyserListTest, EveryClassCarriesItsOwnTypeAndSignature)
{
    for (size_t c = 0; c < kRawAnalyserClassCount; ++c) {
        const auto analyser = CreateRawAnalyserOfClass(C(c));
        SCOPED_TRACE(GetRawAnalyserClassName(C(c)));
        EXPECT_EQ(analyser->GetType(), kOwnTypes[c]);
        // Signatures are numbered in list order, after None (the custom analyser's).
        const RawSignature expected = C(c) == C::CustomFileAnalyser ? RawSignature::None : RawSignature(c + 1);
        EXPECT_EQ(analyser->GetSignature(), expected);
    }
}

TEST(RawAnalyserListTest, FactoryRows)
{
    EXPECT_TRUE(GetRawAnalyserClassesForType(20).empty());
    EXPECT_TRUE(GetRawAnalyserClassesForType(26).empty());
    EXPECT_EQ(GetRawAnalyserClassesForType(21), (std::vector<C>{C::FileOLEAnalyser, C::FileLowDocAnalyser}));
    EXPECT_EQ(GetRawAnalyserClassesForType(31), (std::vector<C>{C::FileHTMAnalyser, C::FileUnicodeHTMAnalyser}));
    EXPECT_EQ(GetRawAnalyserClassesForType(64), (std::vector<C>{C::FileOLEAnalyser, C::FileWPDAnalyser}));
    // Access projects are compound documents: measured by the compound-document analyser.
    EXPECT_EQ(GetRawAnalyserClassesForType(3), (std::vector<C>{C::FileOLEAnalyser}));
    EXPECT_EQ(GetRawAnalyserClassesForType(55), (std::vector<C>{C::FileRIFFAnalyser}));
    EXPECT_EQ(GetRawAnalyserClassesForType(18), (std::vector<C>{C::FileICOAnalyser}));
    EXPECT_EQ(GetRawAnalyserClassesForType(73), (std::vector<C>{C::FileTIFAnalyser}));
    for (int id : {0, -5, 74, 999, 1000, 1999, 5000})
        EXPECT_EQ(GetRawAnalyserClassesForType(id), (std::vector<C>{C::CustomFileAnalyser})) << id;

    // Every fixed id that is not a special row is served by the one class whose own id it is.
    const std::set<int> special = {3,  4,  5,  8,  11, 13, 14, 17, 18, 20, 21, 26, 31, 35, 39,
                                   43, 48, 49, 53, 57, 62, 63, 64, 65, 67, 69, 70, 71, 72, 73};
    std::map<C, int> counts;
    size_t total = 0;
    for (int id = 1; id <= 73; ++id) {
        const auto classes = GetRawAnalyserClassesForType(id);
        for (C c : classes) ++counts[c];
        total += classes.size();
        if (special.count(id)) continue;
        ASSERT_EQ(classes.size(), 1u) << id;
        EXPECT_EQ(kOwnTypes[size_t(classes[0])], id);
    }
    EXPECT_EQ(total, 76u);
    EXPECT_EQ(counts[C::FileRIFFAnalyser], 8);
    EXPECT_EQ(counts[C::FileOLEAnalyser], 14);
    EXPECT_EQ(counts[C::FileWPDAnalyser], 3);
    EXPECT_EQ(counts[C::FileZIPAnalyser], 4);
    EXPECT_EQ(counts[C::FileONEAnalyser], 1);
    EXPECT_EQ(counts.count(C::CustomFileAnalyser), 0u);
}

TEST(RawAnalyserListTest, CreateAppendsTheClassesOfTheRow)
{
    for (int id : {-5, 0, 1, 3, 20, 21, 26, 31, 55, 57, 63, 72, 1000}) {
        RawAnalyserList list;
        CreateRawAnalysers(id, list);
        const auto expected = GetRawAnalyserClassesForType(id);
        ASSERT_EQ(list.Size(), expected.size()) << id;
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(Names(list)[i], GetRawAnalyserClassName(expected[i])) << id;
    }
}

TEST(RawAnalyserListTest, ResetFromTypeIds)
{
    RawAnalyserList list;
    CreateRawAnalysers(9, list);
    const std::vector<int> ids = {8, 63};
    list.ResetFromTypeIds(&ids);
    ASSERT_EQ(list.Size(), 2u);
    EXPECT_NE(list.At(0), list.At(1));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"FileRIFFAnalyser", "FileRIFFAnalyser"}));

    const std::vector<int> none;
    list.ResetFromTypeIds(&none);
    EXPECT_TRUE(list.Empty());
    CreateRawAnalysers(9, list);
    list.ResetFromTypeIds(nullptr);
    EXPECT_TRUE(list.Empty());

    std::vector<int> all;
    for (int id = 1; id <= 73; ++id) all.push_back(id);
    list.ResetFromTypeIds(&all);
    size_t expected = 0;
    for (int id : all) expected += GetRawAnalyserClassesForType(id).size();
    EXPECT_EQ(list.Size(), expected);
}

TEST(RawAnalyserListTest, DefaultListAndLookupByAnalyserType)
{
    RawAnalyserList& list = GetRawAnalyserList();
    EXPECT_EQ(&list, &GetRawAnalyserList());
    std::vector<std::string> expected;
    for (size_t c = 0; c < kRawAnalyserClassCount; ++c) expected.push_back(GetRawAnalyserClassName(C(c)));
    EXPECT_EQ(Names(list), expected);

    RawAnalyserList scan;
    const std::vector<int> ids = {9, 63, 55};
    scan.ResetFromTypeIds(&ids);
    EXPECT_EQ(scan.FindByAnalyserType(55), scan.At(1)); // the first RIFF analyser serves every RIFF hit
    EXPECT_EQ(scan.FindByAnalyserType(9), scan.At(0));
    EXPECT_EQ(scan.FindByAnalyserType(9 + 65536), scan.At(0)); // compared as 16-bit values
    EXPECT_EQ(scan.FindByAnalyserType(40), nullptr);
}

} // namespace
