// The process-wide extension filter of file listings set to some extensions while a test runs.
#pragma once

#include "core/filetypes/CMapFileTypeInfo.h"

#include <initializer_list>

namespace testsupport {

// One wanted type holding the extensions; when the guard ends the filter wants every type again.
class ScopedExtensionFilter {
public:
    explicit ScopedExtensionFilter(std::initializer_list<const char*> extensions);
    ~ScopedExtensionFilter();
    ScopedExtensionFilter(const ScopedExtensionFilter&) = delete;
    ScopedExtensionFilter& operator=(const ScopedExtensionFilter&) = delete;

private:
    CMapFileTypeInfo m_map;
};

} // namespace testsupport
