// Names of an image's files, the header's source-name field and the sector sizes readers accept.
#include "storage/diskimage/ImageFileFormat.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace diskimage;

TEST(ImageFileNames, SliceListAndSlicesFollowTheStemOfTheLastComponent)
{
    struct Case {
        const char* image;
        const char* list;
        const char* slice1;
    };
    const Case cases[] = {
        {"/img/disk.kxi", "/img/disk.kxp", "/img/disk.part1.kxf"},
        {"D:\\img\\disk.kxi", "D:\\img\\disk.kxp", "D:\\img\\disk.part1.kxf"},
        // A '.' in a folder name is no extension: the files stay beside the image.
        {"/d/v1.2/disk", "/d/v1.2/disk.kxp", "/d/v1.2/disk.part1.kxf"},
        {"C:\\v1.2\\disk", "C:\\v1.2\\disk.kxp", "C:\\v1.2\\disk.part1.kxf"},
        {"disk", "disk.kxp", "disk.part1.kxf"},
        {"/img/a.b.kxi", "/img/a.b.kxp", "/img/a.b.part1.kxf"},
        {"/img/.hidden", "/img/.hidden.kxp", "/img/.hidden.part1.kxf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        EXPECT_EQ(MakeSliceListPath(c.image), c.list);
        EXPECT_EQ(MakeSlicePath(c.image, 1), c.slice1);
    }
    EXPECT_EQ(MakeSlicePath("/img/disk.kxi", 57), "/img/disk.part57.kxf");
}

TEST(ImageHeaderField, SourceNameIsCutTo255BytesOnACharacterBoundary)
{
    std::array<uint8_t, kHeaderSize> bytes;
    ImageHeader h;
    h.sourceName = std::string(258, 'n');
    h.sectorSize = 4096;
    h.kind = 2;
    h.heads = 16;
    EncodeImageHeader(h, bytes);
    EXPECT_EQ(bytes[254], 'n');
    EXPECT_EQ(bytes[255], 0);
    const ImageHeader back = DecodeImageHeader(bytes);
    EXPECT_EQ(back.sourceName, std::string(255, 'n'));
    EXPECT_EQ(back.sectorSize, 4096u);
    EXPECT_EQ(back.kind, 2u);
    EXPECT_EQ(back.heads, 16u);

    // 254 ASCII bytes then a 2-byte character: the character would end at byte 256, so it goes whole.
    h.sourceName = std::string(254, 'a') + "\xC3\xA9";
    EncodeImageHeader(h, bytes);
    EXPECT_EQ(DecodeImageHeader(bytes).sourceName, std::string(254, 'a'));

    // A crafted field without its terminator is read up to byte 255 and no further.
    bytes.fill('x');
    EXPECT_EQ(DecodeImageHeader(bytes).sourceName.size(), 255u);
}

TEST(ImageHeaderField, SectorSizeOutsideTheStorableOnesReadsAs512)
{
    const std::pair<uint32_t, uint32_t> cases[] = {{512, 512}, {1536, 1536}, {4096, 4096}, {0, 512},
                                                   {100, 512}, {513, 512},   {8192, 512}};
    for (const auto& [stored, used] : cases) {
        EXPECT_EQ(EffectiveSectorSize(stored), used) << stored;
        EXPECT_EQ(IsStorableSectorSize(stored), stored == used) << stored;
    }
}
