// The file-type catalogue: loading "FileFilter.xml" documents, ids, extensions, errors and GetIds.
#include "core/filetypes/CMapFileTypeInfo.h"

#include "core/MemAlloc.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

class CatalogueFile : public ::testing::Test {
protected:
    int Load(const std::string& xml)
    {
        const auto file = m_dir / "FileFilter.xml";
        std::ofstream(file, std::ios::trunc) << xml;
        return m_map.LoadFromXml(file.string().c_str());
    }
    const FileTypeInfoRecord& At(uint32_t id)
    {
        const FileTypeInfoRecord* r = m_map.Find(id);
        if (!r) throw std::runtime_error("no record " + std::to_string(id));
        return *r;
    }

    testsupport::TempDir m_dir;
    CMapFileTypeInfo m_map;
};

TEST_F(CatalogueFile, LoadsRootCategoriesAndTypesInDocumentOrder)
{
    ASSERT_EQ(Load(R"(<?xml version="1.0"?>
<FileFilter RootName="All types" Selected="2" iconIndex="5" IsMutex="0">
  <FileCategory ShowComment="note" Description="Pictures" Label="Photos and drawings" iconIndex=" +1x" IsMutex="1">
    <Selected>2</Selected>
    <FileType Description="JPEG Graphics file">
      <Extention>.jpg</Extention><Extention> .jpeg </Extention>
      <Selected>2</Selected>
    </FileType>
    <FileType>
      <Extention>.png</Extention>
      <Selected>1</Selected>
    </FileType>
  </FileCategory>
  <FileCategory Description="Documents" iconIndex="-3">
    <FileType Description="Word"><Extention>.doc</Extention></FileType>
    <Selected>abc</Selected>
  </FileCategory>
</FileFilter>)"),
              0);
    ASSERT_EQ(m_map.GetCount(), 6u);

    const FileTypeInfoRecord& root = At(0);
    EXPECT_EQ(root.level, 0u);
    EXPECT_EQ(root.parentId, -1);
    EXPECT_STREQ(root.text, "All types");
    EXPECT_EQ(root.checkState, 2);
    EXPECT_EQ(root.iconIndex, 5);

    const FileTypeInfoRecord& pictures = At(1);
    EXPECT_EQ(pictures.level, 1u);
    EXPECT_EQ(pictures.parentId, 0);
    EXPECT_STREQ(pictures.text, "Pictures");
    EXPECT_STREQ(pictures.label, "Photos and drawings");
    EXPECT_STREQ(pictures.comment, "note");
    EXPECT_EQ(pictures.iconIndex, 1);
    EXPECT_EQ(pictures.isMutex, 1);
    EXPECT_EQ(pictures.checkState, 2);
    EXPECT_EQ(pictures.extensionCount, 0u);
    EXPECT_EQ(pictures.treeItem, nullptr);

    const FileTypeInfoRecord& jpeg = At(2);
    EXPECT_EQ(jpeg.level, 2u);
    EXPECT_EQ(jpeg.parentId, 1);
    EXPECT_STREQ(jpeg.text, "JPEG Graphics file");
    ASSERT_EQ(jpeg.extensionCount, 2u);
    EXPECT_STREQ(jpeg.extensions[0], ".jpg");
    EXPECT_STREQ(jpeg.extensions[1], ".jpeg");
    EXPECT_EQ(jpeg.checkState, 2);

    EXPECT_STREQ(At(3).text, "Unknown File Type.");
    EXPECT_EQ(At(3).checkState, 1);

    // The category's "Selected" after its types still counts; a text without digits reads 0.
    EXPECT_EQ(At(4).iconIndex, -3);
    EXPECT_EQ(At(4).checkState, 0);
    EXPECT_EQ(At(5).parentId, 4);
}

TEST_F(CatalogueFile, SkippedEntriesTakeNoId)
{
    ASSERT_EQ(Load(R"(<r RootName="x">
  <FileCategory><FileType Description="lost"><Extention>.a</Extention></FileType></FileCategory>
  <FileCategory Description="">ignored</FileCategory>
  <FileCategory Description="First">
    <FileType Description="no extensions"><Selected>2</Selected></FileType>
    <FileType Description="kept"><Extention>.b</Extention></FileType>
  </FileCategory>
  <FileCategory Description="Second"><FileType Description="kept too"><Extention>.c</Extention></FileType></FileCategory>
</r>)"),
              0);
    EXPECT_EQ(m_map.GetIdList(), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
    EXPECT_STREQ(At(1).text, "First");
    EXPECT_STREQ(At(2).text, "kept");
    EXPECT_STREQ(At(3).text, "Second");
    EXPECT_EQ(At(4).parentId, 3);
}

TEST_F(CatalogueFile, CategoriesWithoutDescriptionLeaveOnlyTheRoot)
{
    ASSERT_EQ(Load(R"(<r RootName="All"><FileCategory Label="a"/><FileCategory/></r>)"), 0);
    EXPECT_EQ(m_map.GetIdList(), std::vector<uint32_t>{0});
}

TEST_F(CatalogueFile, ExtensionsAreKeptInOrderCutAndBounded)
{
    std::string many;
    for (int i = 0; i < 33; ++i) many += "<Extention>.e" + std::to_string(i) + "</Extention>";
    ASSERT_EQ(Load(R"(<r><FileCategory Description="C">
  <FileType Description="three"><Extention>.x</Extention><Extention></Extention><Extention>.abcdefghi</Extention>
    <Selected>2</Selected></FileType>
  <FileType Description="selected first"><Selected>2</Selected><Extention>.y</Extention></FileType>
  <FileType Description="many">)" +
                   many + R"(<Selected>2</Selected></FileType>
  <FileType Description="wide"><Extention>.ab&#xE9;&#xE9;&#xE9;</Extention></FileType>
</FileCategory></r>)"),
              0);
    const FileTypeInfoRecord& three = At(2);
    ASSERT_EQ(three.extensionCount, 3u);
    EXPECT_STREQ(three.extensions[0], ".x");
    EXPECT_STREQ(three.extensions[1], "???");
    EXPECT_STREQ(three.extensions[2], ".abcdef");
    EXPECT_EQ(three.checkState, 2);

    EXPECT_EQ(At(3).checkState, 0); // "Selected" before the extensions does not count

    const FileTypeInfoRecord& bounded = At(4);
    ASSERT_EQ(bounded.extensionCount, kMaxTypeExtensions);
    EXPECT_STREQ(bounded.extensions[29], ".e29");
    EXPECT_EQ(bounded.checkState, 2);

    // Seven bytes would end inside the third two-byte letter: the cut keeps whole characters.
    EXPECT_STREQ(At(5).extensions[0], ".ab\xC3\xA9\xC3\xA9");
}

TEST_F(CatalogueFile, LongTextsAreCutToSeventyNineBytes)
{
    const std::string longText(100, 'd');
    ASSERT_EQ(Load("<r RootName=\"" + longText + "\"><FileCategory Description=\"" + longText + "\"/></r>"), 0);
    EXPECT_EQ(std::string(At(0).text), std::string(79, 'd'));
    EXPECT_EQ(std::string(At(1).text), std::string(79, 'd'));
}

TEST_F(CatalogueFile, Failures)
{
    EXPECT_EQ(m_map.LoadFromXml((m_dir / "missing.xml").string().c_str()), 11);
    EXPECT_EQ(m_map.LoadFromXml(nullptr), 11);
    EXPECT_EQ(Load("no xml here"), 11);
    EXPECT_EQ(Load("<!DOCTYPE r [<!ENTITY e \"x\">]><r RootName=\"&e;\"><FileCategory Description=\"&e;\"/></r>"), 11);
    EXPECT_EQ(m_map.GetCount(), 0u);
    // The root record stays when no category follows.
    EXPECT_EQ(Load("<r RootName=\"All\"><Other/></r>"), 1168);
    EXPECT_EQ(m_map.GetIdList(), std::vector<uint32_t>{0});
}

TEST(CMapFileTypeInfo, GetIdsHandsOutAscendingIds)
{
    CMapFileTypeInfo map;
    uint32_t* ids = nullptr;
    uint32_t count = 99;
    EXPECT_EQ(map.GetIds(&ids, &count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ids, nullptr);

    for (uint32_t id : {7u, 0u, 3u}) {
        FileTypeInfoRecord r;
        r.id = id;
        r.checkState = static_cast<uint16_t>(id);
        ASSERT_EQ(map.Insert(&r), 0);
    }
    FileTypeInfoRecord again;
    again.id = 3;
    again.checkState = 1;
    EXPECT_EQ(map.Insert(&again), 0);
    EXPECT_EQ(map.Find(3)->checkState, 3); // not replaced
    EXPECT_EQ(map.Insert(nullptr), 87);
    EXPECT_EQ(map.Find(4), nullptr);

    ASSERT_EQ(map.GetIds(&ids, &count), 0);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(ids[0], 0u);
    EXPECT_EQ(ids[1], 3u);
    EXPECT_EQ(ids[2], 7u);

    uint32_t untouched = 42;
    EXPECT_EQ(map.GetIds(&ids, &untouched), 87); // the array pointer must be null on entry
    EXPECT_EQ(untouched, 42u);
    MemFree(ids);

    map.Clear();
    EXPECT_EQ(map.GetCount(), 0u);
}

} // namespace
