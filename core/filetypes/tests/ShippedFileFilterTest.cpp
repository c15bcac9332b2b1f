// The program's own FileFilter.xml, as copied into the data folder: it loads, and its types are
// exactly the 73 signature types, each named and filed as the type table says.
#include "core/filetypes/CMapFileTypeInfo.h"
#include "core/filetypes/RawTypeMap.h"
#include "core/filetypes/RawTypeTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

namespace {

TEST(ShippedFileFilter, HoldsEverySignatureTypeOnceInSixCategories)
{
    CMapFileTypeInfo map;
    const std::string path = GetFileFilterPath();
    ASSERT_EQ(map.LoadFromXml(path.c_str()), 0) << path;

    const FileTypeInfoRecord* root = map.Find(0);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->text, "All types");
    EXPECT_EQ(root->checkState, 2);

    std::set<int32_t> categoryIcons;
    std::map<int, uint32_t> typeOfRawId; // RAW id -> catalogue id
    int mutexCategories = 0;
    for (uint32_t id : map.GetIdList()) {
        const FileTypeInfoRecord* r = map.Find(id);
        ASSERT_NE(r, nullptr);
        SCOPED_TRACE(r->text);
        EXPECT_EQ(r->checkState, 2);
        if (r->level == 1) {
            EXPECT_TRUE(categoryIcons.insert(r->iconIndex).second);
            EXPECT_NE(r->label[0], '\0');
            mutexCategories += r->isMutex != 0;
            continue;
        }
        if (r->level != 2) continue;
        const FileTypeInfoRecord* parent = map.Find(static_cast<uint32_t>(r->parentId));
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->level, 1u);
        ASSERT_GE(r->extensionCount, 1u);
        for (uint32_t e = 0; e < r->extensionCount; ++e) {
            const char* ext = r->extensions[e];
            SCOPED_TRACE(ext);
            ASSERT_EQ(ext[0], '.');
            const int raw = RawTypeMap::Lookup(ext + 1, std::strlen(ext + 1));
            ASSERT_NE(raw, 0) << "no signature type of this name";
            EXPECT_STREQ(ext + 1, GetRawTypeFileExtension(raw)); // written in lower case
            EXPECT_STREQ(r->text, GetRawTypeDescription(raw));
            EXPECT_TRUE(typeOfRawId.emplace(raw, id).second) << "listed twice";
        }
    }
    EXPECT_EQ(categoryIcons, (std::set<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(mutexCategories, 1);
    for (int raw = kRawTypeFirstFixed; raw <= kRawTypeLastFixed; ++raw)
        EXPECT_EQ(typeOfRawId.count(raw), 1u) << GetRawTypeName(raw) << " is missing";
}

} // namespace
