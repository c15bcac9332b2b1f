// Disk description texts.
#include "filesystems/partitions/DiskDescriptionText.h"

#include "filesystems/tree/TextCut.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kDescriptionBytes = 49;

} // namespace

std::string FormatDiskDescriptionText(const DiskDescription& d)
{
    std::string vendor(d.vendorId, strnlen(d.vendorId, sizeof d.vendorId));
    const std::string product(d.productId, strnlen(d.productId, sizeof d.productId));
    const std::string bus(d.busTypeName, strnlen(d.busTypeName, sizeof d.busTypeName));
    if (!vendor.empty() && vendor[0] == '(') vendor.clear();
    // The parts known, two blanks apart; none left dangling (a file standing in for a disk has no bus).
    std::string text;
    for (const std::string* part : {static_cast<const std::string*>(&vendor), &product, &bus}) {
        if (part->empty()) continue;
        if (!text.empty()) text += "  ";
        text += *part;
    }
    return CutUtf8(text, kDescriptionBytes);
}

std::string GetDiskDescriptionText(IStorageDevice* disk, int32_t* busType)
{
    DiskDescription description;
    std::memset(&description, 0, sizeof description);
    if (auto* diskDevice = dynamic_cast<CDiskDevice*>(disk)) diskDevice->GetDiskDescription(&description);
    if (busType) *busType = description.busType;
    return FormatDiskDescriptionText(description);
}
