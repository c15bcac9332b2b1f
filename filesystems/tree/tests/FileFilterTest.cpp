// Attribute and state filters: the considered bits, the valid-field mask and the pass-all mask.
#include "filesystems/tree/CFileAttributeFilter.h"
#include "filesystems/tree/CFileStateFilter.h"

#include "filesystems/tree/CMyFileProperties.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CMyFileProperties> Props(uint32_t attributes, uint16_t state, int validMask)
{
    MyFilePropertiesRecord r;
    r.attributes = attributes;
    r.state = state;
    r.validMask = validMask;
    auto p = std::make_unique<CMyFileProperties>();
    p->SetRecord(r);
    return p;
}

struct Case {
    const char* what;
    int32_t mask;
    uint32_t value;
    int validMask;
    bool passes;
};

} // namespace

TEST(FileFilters, AttributeFilter)
{
    const Case cases[] = {
        {"encrypted file against 0x40", 0x40, 0x20 | 0x40, 0x04, true},
        {"plain file against 0x40", 0x40, 0x20, 0x04, false},
        {"attributes not valid", 0x40, 0x40, 0xFB, false},
        {"attributes not valid, mask -1", -1, 0x40, 0x00, false},
        {"mask -1 passes attribute 0", -1, 0, 0x04, true},
        {"bit 0x100 is never considered", 0x100, 0x100, 0x04, false},
        {"bit 0x200 is never considered", 0x200 | 0x80, 0x200 | 0x80, 0x04, false},
        {"compressed", 0x800, 0x800, 0x04, true},
        {"0x400", 0x400, 0x400 | 0x1, 0x04, true},
        {"only the low 16 bits", 0x10000, 0x10000, 0x04, false},
        {"any shared bit", 0x1 | 0x2 | 0x4 | 0x8, 0x8, 0x04, true},
        {"mask 0", 0, 0xFFFF, 0x04, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CFileAttributeFilter(c.mask).IsMatch(Props(c.value, 0, c.validMask).get()), c.passes) << c.what;
    }
    EXPECT_FALSE(CFileAttributeFilter(-1).IsMatch(nullptr));
}

TEST(FileFilters, StateFilter)
{
    const Case cases[] = {
        {"deleted against 7", 7, 0x1, 0x40, true},
        {"lost against 7", 7, 0x2, 0x40, true},
        {"cross-linked against 7", 7, 0x4, 0x40, true},
        {"temporary alone against 7", 7, 0x8, 0x40, false},
        {"temporary and deleted against 7", 7, 0x9, 0x40, true},
        {"system folder flag is never considered", 0x10, 0x10, 0x40, false},
        {"mask 0", 0, 0x7, 0x40, false},
        {"mask -1 passes state 0", -1, 0, 0x40, true},
        {"state not valid, mask -1", -1, 0x1, 0x3F, false},
        {"deleted against 2", 2, 0x1, 0x40, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CFileStateFilter(c.mask).IsMatch(Props(0, uint16_t(c.value), c.validMask).get()), c.passes) << c.what;
    }
    EXPECT_FALSE(CFileStateFilter(7).IsMatch(nullptr));
}
