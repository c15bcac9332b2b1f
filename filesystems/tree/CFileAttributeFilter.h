// Passes a file whose attribute word has one of the mask's attribute bits (read-only, hidden, system,
// 0x8, directory, archive, encrypted, 0x400, compressed); mask -1 passes every file with valid attributes.
#pragma once

#include "filesystems/tree/IFileFilter.h"

#include <cstdint>

class CFileAttributeFilter : public IFileFilter {
public:
    explicit CFileAttributeFilter(int32_t mask) : m_mask(mask) {}
    bool IsMatch(const IFileProperties* properties) const override;
    int32_t GetMask() const { return m_mask; }

private:
    int32_t m_mask;
};
