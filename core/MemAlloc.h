// Allocation that never hands back a null pointer: when memory runs out the process logs the failure and
// ends (see plat::OutOfMemory). The program's operator new behaves the same.
#pragma once

#include <cstddef>

// malloc, or the out-of-memory end of the process. A request of 0 bytes gets a unique 1-byte block.
void* AllocOrRaise(size_t size);

// Raw buffers with undefined contents; release with MemFree.
void* MemAlloc(size_t size);
void MemFree(void* p);
