// Passes a file whose state has one of the mask's bits deleted (1), lost (2) or cross-linked (4); mask -1
// passes every file with a valid state. The "Deleted Files" folder uses mask 7.
#pragma once

#include "filesystems/tree/IFileFilter.h"

#include <cstdint>

class CFileStateFilter : public IFileFilter {
public:
    explicit CFileStateFilter(int32_t mask) : m_mask(mask) {}
    bool IsMatch(const IFileProperties* properties) const override;
    int32_t GetMask() const { return m_mask; }

private:
    int32_t m_mask;
};
