// The shipped catalogue with some types toggled, loaded into the extension filter.
#include "tests/support/ShippedCatalogueFilter.h"

#include "core/filetypes/CFileTypeFilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace testsupport {

ShippedCatalogueFilter::ShippedCatalogueFilter(Start start, std::initializer_list<const char*> toggledTypes)
{
    const std::string path = GetFileFilterPath();
    EXPECT_EQ(m_map.LoadFromXml(path.c_str()), 0) << path;
    const std::vector<uint32_t> ids = m_map.GetIdList();
    const uint16_t base = start == kAllTicked ? 2 : 0;
    for (uint32_t id : ids) m_map.Find(id)->checkState = base;
    for (const char* description : toggledTypes) {
        bool found = false;
        for (uint32_t id : ids) {
            FileTypeInfoRecord* r = m_map.Find(id);
            if (r->level != 2 || std::strcmp(r->text, description) != 0) continue;
            r->checkState = base == 2 ? 0 : 2;
            found = true;
        }
        EXPECT_TRUE(found) << "no type \"" << description << "\" in " << path;
    }
    // Categories from their types, then the root from its categories, as the tree updates parents.
    for (uint32_t level : {1u, 0u}) {
        std::map<int32_t, std::pair<int, int>> children; // parent id -> (children, ticked)
        for (uint32_t id : ids) {
            const FileTypeInfoRecord* r = m_map.Find(id);
            if (r->level != level + 1) continue;
            auto& [count, ticked] = children[r->parentId];
            ++count;
            ticked += r->checkState == 2;
        }
        for (const auto& [parent, counts] : children) {
            FileTypeInfoRecord* p = m_map.Find(static_cast<uint32_t>(parent));
            if (!p) continue;
            p->checkState = counts.second == counts.first ? 2 : (counts.second > 0 ? 1 : 0);
        }
    }
    const FileTypeInfoRecord* root = m_map.Find(0);
    GetFileTypeFilter().Load(m_map, root && root->checkState == 2);
}

ShippedCatalogueFilter::~ShippedCatalogueFilter()
{
    GetFileTypeFilter().Load(m_map, true);
}

} // namespace testsupport
