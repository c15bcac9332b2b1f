// State filter: passes a file that is deleted, lost or cross-linked as far as the mask asks.
#include "filesystems/tree/CFileStateFilter.h"

#include "filesystems/tree/IFileProperties.h"

namespace {

constexpr uint16_t kConsideredStates = kFileStateDeleted | kFileStateLost | kFileStateCrossLinked;

} // namespace

bool CFileStateFilter::IsMatch(const IFileProperties* properties) const
{
    if (!properties || !(properties->GetValidMask() & kValidState)) return false;
    if (m_mask == -1) return true;
    return (uint32_t(m_mask) & properties->GetState() & kConsideredStates) != 0;
}
