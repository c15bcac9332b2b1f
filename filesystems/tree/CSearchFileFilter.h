// The test a search applies to every node of the found-file tree: a name wildcard always, and as the
// criteria's flags say, a type list, a date range on one file time, a size limit and no encrypted files.
#pragma once

#include "filesystems/tree/CFileAttributeFilter.h"
#include "filesystems/tree/CFileNamePattern.h"
#include "filesystems/tree/CFileTypePattern.h"
#include "filesystems/tree/SearchFileCriteria.h"

class CFileNode;

class CSearchFileFilter {
public:
    // Never fails; a range entered backwards is turned round.
    explicit CSearchFileFilter(SEARCH_FILE_CRITERIA criteria);

    // False for a null node or a node without properties.
    bool IsMatch(const CFileNode* node) const;
    bool IsMatch(const IFileProperties* properties) const;

    const SEARCH_FILE_CRITERIA& GetCriteria() const { return m_criteria; }

private:
    bool DatePasses(const IFileProperties* properties) const;
    bool SizePasses(const IFileProperties* properties) const;

    SEARCH_FILE_CRITERIA m_criteria;
    CFileNamePattern m_namePattern;
    CFileTypePattern m_typePattern;
    CFileAttributeFilter m_attributeFilter;
};
