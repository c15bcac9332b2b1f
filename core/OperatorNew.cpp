// The program's operator new: like MemAlloc, it ends the process through the out-of-memory path instead of
// throwing, so no caller ever continues after a failed allocation. The nothrow forms keep their contract and
// return null. Sanitizer builds keep the sanitizer's own operators, which check new/delete pairing.
#include "core/MemAlloc.h"

#include "platform/Memory.h"

#include <cstdlib>
#include <new>

#if !defined(SALVIX_SANITIZER_ALLOCATOR)

namespace {

void* AlignedAllocOrRaise(size_t size, std::align_val_t align)
{
    const size_t a = size_t(align) < sizeof(void*) ? sizeof(void*) : size_t(align);
    void* p = nullptr;
    if (::posix_memalign(&p, a, size ? size : 1) != 0) plat::OutOfMemory(size);
    return p;
}

void* AlignedAllocOrNull(size_t size, std::align_val_t align) noexcept
{
    const size_t a = size_t(align) < sizeof(void*) ? sizeof(void*) : size_t(align);
    void* p = nullptr;
    return ::posix_memalign(&p, a, size ? size : 1) == 0 ? p : nullptr;
}

} // namespace

void* operator new(size_t size)
{
    return AllocOrRaise(size);
}

void* operator new[](size_t size)
{
    return AllocOrRaise(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size ? size : 1);
}

void* operator new(size_t size, std::align_val_t align)
{
    return AlignedAllocOrRaise(size, align);
}

void* operator new[](size_t size, std::align_val_t align)
{
    return AlignedAllocOrRaise(size, align);
}

void* operator new(size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return AlignedAllocOrNull(size, align);
}

void* operator new[](size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return AlignedAllocOrNull(size, align);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}

#endif
