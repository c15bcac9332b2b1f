// The SDK's allocator over the C heap.
#include "storage/codecs/LzmaSdkAllocator.h"

#include <cstdlib>

namespace {

void* SdkAlloc(void*, size_t size)
{
    return size == 0 ? nullptr : std::malloc(size);
}

void SdkFree(void*, void* address)
{
    std::free(address);
}

} // namespace

ISzAlloc* LzmaSdkAllocator()
{
    // The SDK takes a non-const pointer but never writes through it.
    static ISzAlloc allocator = {SdkAlloc, SdkFree};
    return &allocator;
}
