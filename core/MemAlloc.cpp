// The allocation functions every module uses for raw buffers.
#include "core/MemAlloc.h"

#include "platform/Memory.h"

#include <cstdlib>

void* AllocOrRaise(size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p) plat::OutOfMemory(size);
    return p;
}

void* MemAlloc(size_t size)
{
    return AllocOrRaise(size);
}

void MemFree(void* p)
{
    std::free(p);
}
