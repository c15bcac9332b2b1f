// The process-wide extension filter loaded from the program's own FileFilter.xml with some of its types
// ticked differently, as a person leaves the file-type page, for the life of the object.
#pragma once

#include "core/filetypes/CMapFileTypeInfo.h"

#include <initializer_list>

namespace testsupport {

class ShippedCatalogueFilter {
public:
    enum Start { kAllTicked, kNoneTicked };
    // From every type ticked (or none), the types of these descriptions take the other state; categories
    // and the root follow as the file-type tree sets them (ticked when all their children are, partly
    // when some are). A description that names no type fails the test.
    ShippedCatalogueFilter(Start start, std::initializer_list<const char*> toggledTypes);
    ~ShippedCatalogueFilter();
    ShippedCatalogueFilter(const ShippedCatalogueFilter&) = delete;
    ShippedCatalogueFilter& operator=(const ShippedCatalogueFilter&) = delete;

    const CMapFileTypeInfo& Catalogue() const { return m_map; }

private:
    CMapFileTypeInfo m_map;
};

} // namespace testsupport
