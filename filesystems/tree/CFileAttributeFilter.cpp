// Attribute filter: passes a file with one of the mask's considered attribute bits.
#include "filesystems/tree/CFileAttributeFilter.h"

#include "filesystems/tree/IFileProperties.h"

namespace {

constexpr uint16_t kConsideredAttributes =
    0x0001 | 0x0002 | 0x0004 | 0x0008 | 0x0010 | 0x0020 | 0x0040 | 0x0400 | 0x0800;

} // namespace

bool CFileAttributeFilter::IsMatch(const IFileProperties* properties) const
{
    if (!properties || !(properties->GetValidMask() & kValidAttributes)) return false;
    if (m_mask == -1) return true;
    return (uint32_t(m_mask) & properties->GetAttributes() & kConsideredAttributes) != 0;
}
