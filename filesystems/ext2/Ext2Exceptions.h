// The errors the ext2 reader raises, and the name of an exception's type as the error log records it.
// Every one derives from std::exception and keeps its default message, except the range error
// (std::out_of_range "CExt2FileSystem::ReadBlocks") and CStructuredException.
#pragma once

#include "core/bytes/ParseStatus.h"

#include <cstdint>
#include <exception>
#include <string>

// Superblock invalid, or the file system larger than its device.
class CExt2BadSuperBlock : public std::exception {};
// No usable group-descriptor table.
class CExt2BadGroupDescriptor : public std::exception {};
// A device read failed.
class CExt2ReadSectorError : public std::exception {};

// A processor fault named by its Windows exception code. This system never turns faults into exceptions
// (the reader bounds every access instead); the class stays for code that reports such codes.
class CStructuredException : public std::exception {
public:
    explicit CStructuredException(uint32_t code) : m_code(code) {}
    uint32_t GetCode() const { return m_code; }
    // The code's name ("EXCEPTION_ACCESS_VIOLATION"...), "EXCEPTION_UNKNOWN" for any other code.
    const char* what() const noexcept override { return NameOfCode(m_code); }
    static const char* NameOfCode(uint32_t code);

private:
    uint32_t m_code;
};

// Faults are not translated on this system: reads of disk data are bounds-checked, so there is nothing to
// install. Kept so that the places that install it on other systems read the same.
void InstallStructuredExceptionTranslator();

// The demangled name of the dynamic type ("CExt2BadSuperBlock", "std::out_of_range").
std::string Ext2ExceptionTypeName(const std::exception& e);
// What a caught ext2 error means to a build: a device read that failed is an I/O failure, every other error (a
// bad superblock or descriptor table, blocks outside the device, a damaged directory) corrupt data.
bytes::ParseStatus Ext2ErrorStatus(const std::exception& e);
