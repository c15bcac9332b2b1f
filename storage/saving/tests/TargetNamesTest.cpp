// Target names: cleaning of hostile names, shortening on character boundaries, numbered forms.
#include "storage/saving/TargetNames.h"

#include <gtest/gtest.h>

TEST(TargetNames, CleaningLeavesOneHarmlessComponent)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"report.doc", "report.doc"},
        {"E:\\", "E##"},
        {"a/b", "a#b"},
        {"../../etc/passwd", "..#..#etc#passwd"},
        {"..", "#"},
        {".", "#"},
        {"", "#"},
        {"...", "..."},
        {"q?*|<>\"x", "q######x"},
        {"tab\there\x7f\x01", "tab#here##"},
        {"caf\xc3\xa9 \xe6\x97\xa5.txt", "caf\xc3\xa9 \xe6\x97\xa5.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(CleanNameComponent(c.in), c.out);
    }
}

TEST(TargetNames, LongNamesAreCutOnCharactersKeepingTheExtension)
{
    // 200 three-byte characters: 600 bytes of UTF-8 from a name of 200 UTF-16 units.
    std::string stem;
    for (int i = 0; i < 200; ++i) stem += "\xe6\x97\xa5";
    const std::string name = stem + ".jpeg";
    const std::string shortened = ShortenName(name);
    EXPECT_LE(shortened.size(), kMaxTargetNameBytes);
    EXPECT_GE(shortened.size(), kMaxTargetNameBytes - 2);
    EXPECT_EQ(shortened.substr(shortened.size() - 5), ".jpeg");
    EXPECT_EQ((shortened.size() - 5) % 3, 0u) << "cut inside a character";

    EXPECT_EQ(ShortenName("short.txt"), "short.txt");
    // An "extension" too long to be one is cut with the rest.
    const std::string longTail = "a." + std::string(300, 'x');
    EXPECT_EQ(ShortenName(longTail), longTail.substr(0, kMaxTargetNameBytes));
    // Bytes that start no character are characters of their own.
    EXPECT_EQ(CutOnCharacter("ab\xff\xfe", 3), "ab\xff");
    EXPECT_EQ(CutOnCharacter("ab\xe6\x97\xa5", 4), "ab");
}

TEST(TargetNames, NumberedNamesFitTheLimit)
{
    EXPECT_EQ(NumberedFileName("a.txt", 0), "a_000.txt");
    EXPECT_EQ(NumberedFileName("a.b.txt", 12), "a.b_012.txt");
    EXPECT_EQ(NumberedFileName("README", 7), "README_007");
    EXPECT_EQ(NumberedFileName("x.txt", 1234), "x_1234.txt");
    EXPECT_EQ(NumberedFolderName("E##", 1), "E##_001");
    EXPECT_EQ(NumberedFolderName("my.folder", 0), "my.folder_000");

    const std::string full = std::string(251, 'n') + ".txt";
    ASSERT_EQ(full.size(), kMaxTargetNameBytes);
    const std::string numbered = NumberedFileName(full, 3);
    EXPECT_EQ(numbered.size(), kMaxTargetNameBytes);
    EXPECT_EQ(numbered.substr(numbered.size() - 8), "_003.txt");
    EXPECT_EQ(NumberedFolderName(std::string(255, 'd'), 0).size(), kMaxTargetNameBytes);
    // A smaller limit of the target's file system is kept too.
    EXPECT_EQ(NumberedFileName("abcdefghij.txt", 0, 12), "abcd_000.txt");
}
