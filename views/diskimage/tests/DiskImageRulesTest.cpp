// The windowless rules of the disk-image wizards: image-path completion, cut texts, summary sizes and level
// texts, compression settings, the run's forecast, the selector's pixel-sector scale and the slice-list checks.
#include "views/diskimage/DiskImageFileDialog.h"
#include "views/diskimage/DiskImageFiles.h"
#include "views/diskimage/DiskImageText.h"
#include "views/diskimage/CSectorSelectCtrl.h"

#include "storage/diskimage/CCompressController.h"
#include "storage/diskimage/ImageFileFormat.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace diskimg;

// The language files write "Name(*.ext)|*.ext||": the pattern shows once in the dialog, and a name without its
// pattern still gets one for Qt to read.
TEST(FileDialogFilter, PatternIsNotPrintedTwice)
{
    const struct {
        const char* win32;
        const char* qt;
    } cases[] = {
        {"Recovery State File(*.rsf)|*.rsf||", "Recovery State File(*.rsf)"},
        {"Salvix ImageFile (*.kxi)|*.kxi||", "Salvix ImageFile (*.kxi)"},
        {"Plain|*.kxi||", "Plain (*.kxi)"},
        {"Other(*.abc)|*.kxi||", "Other(*.abc) (*.kxi)"},
        {"A(*.a)|*.a|B|*.b||", "A(*.a);;B (*.b)"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(QtFilter(QString::fromUtf8(c.win32)).toStdString(), c.qt) << c.win32;
}

TEST(DiskImageText, PathsNamesAndSizes)
{
    const std::pair<const char*, const char*> paths[] = {
        {"/a", "/a.kxi"},
        {"/img/x.kxi", "/img/x.kxi"},
        {"/img/x.bin", "/img/x.bin.kxi"},
        {"/a.kxi", "/a.kxi"},
        {".kxi", ".kxi.kxi"},
        {"", ""},
        {"/img/X.KXI", "/img/X.KXI.kxi"},
    };
    for (const auto& [typed, completed] : paths) EXPECT_EQ(CompleteImagePath(typed), completed) << typed;

    EXPECT_EQ(CutDisplayName(std::string(25, 'a')), std::string(25, 'a'));
    EXPECT_EQ(CutDisplayName(std::string(26, 'a')), std::string(25, 'a') + "...");
    // Characters, not bytes: 26 Japanese characters are cut after the 25th.
    std::string jp;
    for (int i = 0; i < 26; ++i) jp += "\xE3\x81\x82";
    EXPECT_EQ(CutDisplayName(jp), jp.substr(0, 75) + "...");
    // Byte cuts never split a character.
    EXPECT_EQ(CutText(std::string(41, 'p'), 40, "........."), std::string(40, 'p') + ".........");
    EXPECT_EQ(CutText(std::string(40, 'p'), 40, "........."), std::string(40, 'p'));
    EXPECT_EQ(CutText("ab\xE3\x81\x82", 3, "."), "ab.");

    EXPECT_EQ(FormatSectorsSize(2097152, 512), "1.00 GB");
    EXPECT_EQ(FormatSectorsSize(2048, 512), "1.00 MB");
    EXPECT_EQ(FormatSectorsSize(262144, 4096), "1.00 GB");
    EXPECT_EQ(FormatSectorsSize(2048, 100), "1.00 MB") << "an odd sector size counts as 512";
}

TEST(DiskImageText, SettingsLevelsAndForecast)
{
    const CompressionSettings none = SettingsFrom(false, 2, false, 3);
    EXPECT_EQ(none.kind, 0);
    EXPECT_EQ(none.level, -1);
    EXPECT_EQ(none.sliceLimit, 8388600);
    const CompressionSettings max = SettingsFrom(true, 2, true, 3);
    EXPECT_EQ(max.kind, 2);
    EXPECT_EQ(max.level, 9);
    EXPECT_EQ(max.sliceLimit, 1310720);

    EXPECT_EQ(LevelTextId(0, -1), 424u); // stored: "None"
    EXPECT_EQ(LevelTextId(2, -1), 422u); // zlib at its default level is not "None"
    EXPECT_EQ(LevelTextId(2, 1), 379u);
    EXPECT_EQ(LevelTextId(2, 5), 422u);
    EXPECT_EQ(LevelTextId(2, 9), 423u);

    EXPECT_FALSE(RunRemainingSeconds(100, 25, 4999));
    EXPECT_FALSE(RunRemainingSeconds(100, 0, 60000));
    EXPECT_EQ(RunRemainingSeconds(100, 25, 10000), 31u);
    EXPECT_EQ(FormatFirstForecast(3723000), "1:02:03");
}

TEST(SectorBar, EndsAreExactAtEveryScale)
{
    // Scales where truncating sectors-per-pixel used to drop the last sector.
    for (uint64_t count : {uint64_t(1000), uint64_t(32768), uint64_t(976773168), uint64_t(7), uint64_t(1)}) {
        for (int width : {120, 333, 600}) {
            SCOPED_TRACE(std::to_string(count) + " sectors, " + std::to_string(width) + " px");
            SectorBarGeometry g;
            g.Layout(QRect(0, 0, width, 60), count - 1);
            EXPECT_EQ(g.SectorAt(g.Left()), 0u);
            EXPECT_EQ(g.SectorAt(g.Right()), count - 1);
            if (count > 1) {
                EXPECT_EQ(g.PixelOf(count - 1), g.Right());
            }
            EXPECT_EQ(g.PixelOf(0), g.Left());
            uint64_t previous = 0;
            for (int x = g.Left(); x <= g.Right(); ++x) {
                EXPECT_GE(g.SectorAt(x), previous);
                previous = g.SectorAt(x);
            }
        }
    }
}

TEST(SliceList, LinesKeepTheirLastCharactersAndForeignFormsAreDamage)
{
    const SliceList ok = SplitSliceList("/d/a.part0.kxf\r\n/d/b.part1.kxf\n/d/c.part2.kxf");
    ASSERT_EQ(ok.status, SliceList::Ok);
    EXPECT_EQ(ok.paths, (std::vector<std::string>{"/d/a.part0.kxf", "/d/b.part1.kxf", "/d/c.part2.kxf"}));
    const std::pair<const char*, std::string> damaged[] = {
        {"empty line", std::string("/d/a.kxf\r\n\r\n/d/b.kxf\r\n")}, {"relative", std::string("d/a.kxf\r\n")},
        {"drive letter", std::string("C:\\img\\a.kxf\r\n")},         {"nul byte", std::string("/d/a\0b.kxf\r\n", 12)},
        {"too long", "/" + std::string(5000, 'x') + "\r\n"},
    };
    for (const auto& [name, bytes] : damaged) EXPECT_EQ(SplitSliceList(bytes).status, SliceList::Malformed) << name;
    std::string many;
    for (size_t i = 0; i <= kMaxSliceListLines; ++i) many += "/s" + std::to_string(i) + "\r\n";
    EXPECT_EQ(SplitSliceList(many).status, SliceList::Malformed);
    EXPECT_EQ(ReadSliceList("/nonexistent/x.kxp").status, SliceList::Missing);
}

TEST(SliceList, TableMustMatchTheHeader)
{
    testsupport::TempDir tmp;
    testsupport::MemoryDevice source(4 * 256);
    source.FillWithPattern();
    CCompressController writer;
    writer.SetSource(&source, "src", 0, source.GetSectorCount(), 255);
    writer.SetCompression(0, -1, 1000); // stored blocks, two per slice
    const std::string image = (tmp.path() / "img.kxi").string();
    writer.SetImagePath(image.c_str());
    ASSERT_EQ(writer.Compress(nullptr), 1);
    const SliceNeeds needs = ReadSliceNeeds(image);
    ASSERT_TRUE(needs.ok) << needs.why;
    ASSERT_EQ(needs.minBytes.size(), 2u);
    const SliceList list = ReadSliceList(diskimage::MakeSliceListPath(image));
    ASSERT_EQ(list.status, SliceList::Ok);
    EXPECT_EQ(CheckSliceTable(needs, list.paths), "");
    EXPECT_NE(CheckSliceTable(needs, {list.paths[0]}), "") << "one slice short";
    EXPECT_NE(CheckSliceTable(needs, {list.paths[1], list.paths[0], list.paths[0]}), "") << "one too many";
    fs::resize_file(list.paths[1], 600);
    EXPECT_NE(CheckSliceTable(needs, list.paths), "") << "a slice shorter than its blocks";

    std::ofstream(image, std::ios::binary | std::ios::trunc) << "not an image";
    EXPECT_FALSE(ReadSliceNeeds(image).ok);
}

TEST(TargetFolder, ProbeTouchesNothingThatExists)
{
    testsupport::TempDir tmp;
    const fs::path existing = tmp.path() / "mine.kxi";
    std::ofstream(existing) << "precious";
    EXPECT_TRUE(ProbeTargetFolder(existing.string()));
    EXPECT_TRUE(ImageFilesExist(existing.string()));
    std::ifstream in(existing);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1) << "the probe is gone";
    EXPECT_FALSE(ProbeTargetFolder((tmp.path() / "missing" / "x.kxi").string()));
    EXPECT_FALSE(ImageFilesExist((tmp.path() / "other.kxi").string()));
    EXPECT_GT(GetFreeSpaceMB(tmp.path().string() + "/"), 0);
}
