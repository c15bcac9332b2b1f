// Allocation that never hands back a null pointer: when memory runs out the process logs the failure and
// ends (see plat::OutOfMemory). The program's operator new behaves the same.
#pragma once

#include <cstddef>

// Set when a sanitizer (AddressSanitizer or ThreadSanitizer, under GCC or clang) brings its own allocator: the
// program then keeps the sanitizer's operator new, which checks new/delete pairing and refuses oversized requests
// itself. GCC names the sanitizers by macros, clang by __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SALVIX_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SALVIX_SANITIZER_ALLOCATOR 1
#endif
#endif

// malloc, or the out-of-memory end of the process. A request of 0 bytes gets a unique 1-byte block.
void* AllocOrRaise(size_t size);

// Raw buffers with undefined contents; release with MemFree.
void* MemAlloc(size_t size);
void MemFree(void* p);
