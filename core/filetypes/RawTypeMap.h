// Maps from a fixed RAW type's short name back to its id ("jpg" -> 33), and from any extension in common
// use for it ("jpeg", "JFIF" -> 33), ASCII case-insensitive. Built once on first use; safe to read from any
// thread.
#pragma once

#include <cstddef>

class RawTypeMap {
public:
    // The id of the fixed type (1..73) whose short name equals the count characters; 0 otherwise.
    static int Lookup(const char16_t* extension, std::size_t count);
    static int Lookup(const char* extension, std::size_t count);
    // The id of the fixed type that lists the count characters among its extensions (GetRawTypeFileExtensions);
    // 0 otherwise.
    static int LookupExtension(const char16_t* extension, std::size_t count);
    static int LookupExtension(const char* extension, std::size_t count);
};
