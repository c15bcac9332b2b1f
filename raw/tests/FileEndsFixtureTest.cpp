// Real files whose last bytes are easy to lose (made by tests/fixtures/make_raw_fixtures_ends.sh): gzip streams,
// fragmented and other ISO-family MP4 brands, an MP3 with its closing ID3v1 tag, HTML and RTF ending with a line
// feed, a GNU tar with its record padding and an openpyxl workbook. Each is matched by the scan's analyser list
// and measured to its last byte, whatever lies behind it on the disk.
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserList.h"
#include "raw/RawSectorMatcher.h"
#include "raw/RawWalk.h"
#include "raw/tests/AnalyserMeasureKit.h"
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <vector>

using testsupport::RawImageComposer;

TEST(FileEndsFixtures, EveryFileIsFoundWithItsTypeAndMeasuredToItsLastByte)
{
    const std::vector<testsupport::RawFixture> fixtures = testsupport::ReadRawFixtureManifest("ends");
    ASSERT_EQ(fixtures.size(), 11u);
    RawAnalyserList list;
    std::vector<int> ids;
    for (int id = 1; id <= 73; ++id) ids.push_back(id);
    list.ResetFromTypeIds(&ids);
    const RawSectorMatcher matcher(list);

    for (const testsupport::RawFixture& f : fixtures) {
        const std::vector<uint8_t> bytes = rawkit::LoadFixture("ends", f.name);
        ASSERT_EQ(bytes.size(), f.size) << f.name;
        for (const int32_t sectorSize : {512, 4096})
            for (const auto filler : {RawImageComposer::Filler::Random, RawImageComposer::Filler::Zero}) {
                SCOPED_TRACE(f.name + " at " + std::to_string(sectorSize) +
                             (filler == RawImageComposer::Filler::Zero ? " before zeros" : " before random bytes"));
                RawImageComposer disk(200000 / uint64_t(sectorSize), sectorSize, filler, 9);
                disk.Place(2, bytes, f.type, f.name);
                auto device = disk.MakeDevice();
                CRawFileInfo hit;
                IRawFileAnalyser* analyser = matcher.Match(disk.Bytes().data() + 2 * uint64_t(sectorSize), &hit);
                ASSERT_NE(analyser, nullptr);
                hit.SetStartSector(2);
                CapRawHitSize(&hit, device.get());
                if (hit.GetSize() == 0) {
                    EXPECT_EQ(analyser->Analyse(&hit, device.get()), 1);
                }
                EXPECT_EQ(hit.GetFileType(), f.type);
                EXPECT_EQ(hit.GetSize(), f.size);
            }
    }
}
