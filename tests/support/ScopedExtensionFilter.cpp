// The extension filter guard of the listing tests.
#include "tests/support/ScopedExtensionFilter.h"

#include "core/filetypes/CFileTypeFilter.h"

#include <cstring>

namespace testsupport {

ScopedExtensionFilter::ScopedExtensionFilter(std::initializer_list<const char*> extensions)
{
    FileTypeInfoRecord root;
    root.parentId = -1;
    m_map.Insert(&root);
    FileTypeInfoRecord type;
    type.id = 1;
    type.level = 2;
    type.parentId = 0;
    type.checkState = 2;
    for (const char* e : extensions) std::strcpy(type.extensions[type.extensionCount++], e);
    m_map.Insert(&type);
    GetFileTypeFilter().Load(m_map, false);
}

ScopedExtensionFilter::~ScopedExtensionFilter()
{
    GetFileTypeFilter().Load(m_map, true);
}

} // namespace testsupport
