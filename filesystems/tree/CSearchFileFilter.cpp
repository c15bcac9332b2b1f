// Search filter: the name must match, then each optional test the flags switch on.
#include "filesystems/tree/CSearchFileFilter.h"

#include "filesystems/tree/CFileNode.h"

#include <cstring>
#include <utility>

namespace {

// The record's texts come from fixed arrays that a caller may have filled to the brim.
template <size_t N>
std::string Text(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

NAME_PATTERN_PARAM NameParam(const SEARCH_FILE_CRITERIA& c)
{
    NAME_PATTERN_PARAM p;
    p.strPattern = Text(c.szName);
    p.bMatchCase = c.bMatchCase != 0;
    p.bWholeWord = false;
    p.nMode = 2;
    return p;
}

SEARCH_FILE_CRITERIA Ordered(SEARCH_FILE_CRITERIA c)
{
    if (c.ftFrom > c.ftTo) std::swap(c.ftFrom, c.ftTo);
    return c;
}

} // namespace

CSearchFileFilter::CSearchFileFilter(SEARCH_FILE_CRITERIA criteria)
    : m_criteria(Ordered(criteria)),
      m_namePattern(NameParam(m_criteria)),
      m_typePattern(Text(m_criteria.szTypeExtensions)),
      m_attributeFilter(m_criteria.bIncludeEncrypted ? -1 : kFileAttrEncrypted)
{
}

bool CSearchFileFilter::IsMatch(const CFileNode* node) const
{
    return node && IsMatch(node->GetProperties());
}

bool CSearchFileFilter::IsMatch(const IFileProperties* p) const
{
    if (!p) return false;
    const uint32_t flags = m_criteria.dwFlags;
    if ((flags & kSearchOther) && !m_criteria.bIncludeEncrypted && m_attributeFilter.IsMatch(p)) return false;
    if (!m_namePattern.IsMatch(p)) return false;
    if ((flags & kSearchByType) && !m_typePattern.IsMatch(p)) return false;
    if ((flags & kSearchByDate) && !DatePasses(p)) return false;
    if ((flags & kSearchBySize) && !SizePasses(p)) return false;
    return true;
}

bool CSearchFileFilter::DatePasses(const IFileProperties* p) const
{
    FILETIME t = 0;
    const int valid = p->GetValidMask();
    switch (m_criteria.nDateKind) {
    case kDateModified:
        if (!(valid & kValidModificationTime)) return false;
        t = p->GetModificationTime();
        break;
    case kDateCreated:
        if (!(valid & kValidCreationTime)) return false;
        t = p->GetCreationTime();
        break;
    case kDateAccessed:
        if (!(valid & kValidAccessTime)) return false;
        t = p->GetAccessTime();
        break;
    default: return false;
    }
    return m_criteria.ftFrom <= t && t <= m_criteria.ftTo;
}

bool CSearchFileFilter::SizePasses(const IFileProperties* p) const
{
    if (!(p->GetValidMask() & kValidSize)) return false;
    const uint64_t size = p->GetSize();
    switch (m_criteria.nSizeKind) {
    case kSizeAtMost: return size <= m_criteria.ullSizeLimit;
    case kSizeAtLeast: return size >= m_criteria.ullSizeLimit;
    default: return false;
    }
}
