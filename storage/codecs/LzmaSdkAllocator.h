// The allocator both LZMA codecs hand to the SDK: malloc and free, with a zero-size request answered by
// null as the SDK expects.
#pragma once

#include "Types.h"

ISzAlloc* LzmaSdkAllocator();
