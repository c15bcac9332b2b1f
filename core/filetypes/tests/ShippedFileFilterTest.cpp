// The program's own FileFilter.xml, as copied into the data folder: it loads; each of the 73 signature
// types is the first extension of one type, named as the type table says; every type lists the other
// spellings in common use, no extension belongs to two types, and files without an extension have an
// entry of their own. The filter built from it lists every spelling of a ticked type and keeps files
// without an extension when an unrelated type is unticked.
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "core/filetypes/RawTypeMap.h"
#include "core/filetypes/RawTypeTable.h"
#include "tests/support/ShippedCatalogueFilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

using testsupport::ShippedCatalogueFilter;

TEST(ShippedFileFilter, EverySignatureTypeOnceWithItsOtherSpellings)
{
    CMapFileTypeInfo map;
    const std::string path = GetFileFilterPath();
    ASSERT_EQ(map.LoadFromXml(path.c_str()), 0) << path;

    const FileTypeInfoRecord* root = map.Find(0);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->text, "All types");
    EXPECT_EQ(root->checkState, 2);

    std::set<int32_t> categoryIcons;
    std::map<int, uint32_t> typeOfRawId;             // RAW id -> catalogue id
    std::map<std::string, uint32_t> typeOfExtension; // every extension -> catalogue id
    std::map<int32_t, int> typesOfCategory;
    int mutexCategories = 0;
    for (uint32_t id : map.GetIdList()) {
        const FileTypeInfoRecord* r = map.Find(id);
        ASSERT_NE(r, nullptr);
        SCOPED_TRACE(r->text);
        EXPECT_EQ(r->checkState, 2);
        if (r->level == 1) {
            categoryIcons.insert(r->iconIndex);
            EXPECT_NE(r->label[0], '\0');
            EXPECT_LT(std::strlen(r->label), kFileTypeTextSize - 1) << "label cut";
            mutexCategories += r->isMutex != 0;
            continue;
        }
        if (r->level != 2) continue;
        ++typesOfCategory[r->parentId];
        ASSERT_GE(r->extensionCount, 1u);
        ASSERT_LT(r->extensionCount, kMaxTypeExtensions);
        for (uint32_t e = 0; e < r->extensionCount; ++e) {
            const std::string ext = r->extensions[e];
            SCOPED_TRACE(ext);
            ASSERT_EQ(ext[0], '.');
            for (char c : ext) EXPECT_FALSE(c >= 'A' && c <= 'Z') << "written in lower case";
            EXPECT_TRUE(typeOfExtension.emplace(ext, id).second) << "listed by two types";
            const int raw = ext.size() > 1 ? RawTypeMap::Lookup(ext.c_str() + 1, ext.size() - 1) : 0;
            if (e > 0) {
                EXPECT_EQ(raw, 0) << "another signature type's name stands after the first extension";
                continue;
            }
            if (raw == 0) continue; // a type listed by its extensions only
            EXPECT_STREQ(ext.c_str() + 1, GetRawTypeFileExtension(raw));
            EXPECT_STREQ(r->text, GetRawTypeDescription(raw));
            EXPECT_TRUE(typeOfRawId.emplace(raw, id).second) << "listed twice";
            // The type table knows the same spellings, so that found files of any of them count as the type.
            std::vector<std::string> known;
            for (std::string_view k : GetRawTypeFileExtensions(raw)) known.push_back("." + std::string(k));
            std::vector<std::string> listed(r->extensions, r->extensions + r->extensionCount);
            EXPECT_EQ(known, listed);
        }
    }
    EXPECT_EQ(categoryIcons, (std::set<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(mutexCategories, 1);
    for (int raw = kRawTypeFirstFixed; raw <= kRawTypeLastFixed; ++raw)
        EXPECT_EQ(typeOfRawId.count(raw), 1u) << GetRawTypeName(raw) << " is missing";

    // Second spellings sit with the first one.
    const std::pair<const char*, const char*> spellings[] = {
        {".jpeg", ".jpg"},  {".jpe", ".jpg"},   {".jfif", ".jpg"}, {".tiff", ".tif"}, {".html", ".htm"},
        {".xhtml", ".htm"}, {".mpeg", ".mpg"},  {".mpe", ".mpg"},  {".midi", ".mid"}, {".wave", ".wav"},
        {".docm", ".docx"}, {".xlsm", ".xlsx"}, {".tgz", ".gz"},   {".lha", ".lzh"},  {".qt", ".mov"},
        {".m4a", ".mp4"},   {".wma", ".asf"},   {".3g2", ".3gp"},  {".ost", ".pst"},  {".dib", ".bmp"},
    };
    for (const auto& [second, first] : spellings) {
        ASSERT_TRUE(typeOfExtension.count(second)) << second;
        ASSERT_TRUE(typeOfExtension.count(first)) << first;
        EXPECT_EQ(typeOfExtension[second], typeOfExtension[first]) << second << " is not filed with " << first;
    }

    // Files without an extension: one type of its own, alone in a category that does not turn the filter.
    ASSERT_TRUE(typeOfExtension.count("."));
    const FileTypeInfoRecord* none = map.Find(typeOfExtension["."]);
    EXPECT_STREQ(none->text, "Files without an extension");
    EXPECT_EQ(none->extensionCount, 1u);
    EXPECT_EQ(typesOfCategory[none->parentId], 1);
    EXPECT_EQ(map.Find(static_cast<uint32_t>(none->parentId))->isMutex, 0);

    // No extension was cut to fit the catalogue's 7 characters.
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string xml = text.str();
    const std::regex element("<Extention>([^<]*)</Extention>");
    int extensions = 0;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), element); it != std::sregex_iterator(); ++it) {
        EXPECT_LE((*it)[1].length(), 7) << (*it)[1];
        ++extensions;
    }
    EXPECT_EQ(size_t(extensions), typeOfExtension.size());
}

TEST(ShippedFileFilter, ATickedTypeListsEverySpellingOfIt)
{
    const ShippedCatalogueFilter filter(ShippedCatalogueFilter::kNoneTicked,
                                        {"JPEG Graphics file", "Tagged Image File"});
    CFileTypeFilter& f = GetFileTypeFilter();
    EXPECT_EQ(f.GetMode(), CFileTypeFilter::kInclude);
    for (const char* name : {"a.jpg", "b.JPEG", "c.jpe", "d.jfif", "e.tif", "f.TIFF"})
        EXPECT_TRUE(f.IsFileNameWanted(name)) << name;
    for (const char* name : {"a.png", "b.jpg.zip", "README"}) EXPECT_FALSE(f.IsFileNameWanted(name)) << name;
}

TEST(ShippedFileFilter, FilesWithoutAnExtensionStayUnlessTheirOwnEntryIsUnticked)
{
    {
        const ShippedCatalogueFilter filter(ShippedCatalogueFilter::kAllTicked, {"Zip compression file"});
        CFileTypeFilter& f = GetFileTypeFilter();
        EXPECT_EQ(f.GetMode(), CFileTypeFilter::kExclude);
        for (const char* name : {"README", "Inode_12", ".profile", "a.jpeg", "notes.txt"})
            EXPECT_TRUE(f.IsFileNameWanted(name)) << name;
        EXPECT_FALSE(f.IsFileNameWanted("backup.zip"));
    }
    {
        const ShippedCatalogueFilter filter(ShippedCatalogueFilter::kAllTicked, {"Files without an extension"});
        CFileTypeFilter& f = GetFileTypeFilter();
        EXPECT_FALSE(f.IsFileNameWanted("README"));
        EXPECT_TRUE(f.IsFileNameWanted("backup.zip"));
    }
    EXPECT_EQ(GetFileTypeFilter().GetCount(), 0u) << "the guard leaves every file listed";
}

} // namespace
