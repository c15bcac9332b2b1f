// Names of processor-fault codes and of exception types for the ext2 error log.
#include "filesystems/ext2/Ext2Exceptions.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

const char* CStructuredException::NameOfCode(uint32_t code)
{
    switch (code) {
    case 0x80000001: return "EXCEPTION_GUARD_PAGE";
    case 0x80000002: return "EXCEPTION_DATATYPE_MISALIGNMENT";
    case 0x80000003: return "EXCEPTION_BREAKPOINT";
    case 0x80000004: return "EXCEPTION_SINGLE_STEP";
    case 0xC0000005: return "EXCEPTION_ACCESS_VIOLATION";
    case 0xC0000006: return "EXCEPTION_IN_PAGE_ERROR";
    case 0xC0000008: return "EXCEPTION_INVALID_HANDLE";
    case 0xC000001D: return "EXCEPTION_ILLEGAL_INSTRUCTION";
    case 0xC0000025: return "EXCEPTION_NONCONTINUABLE_EXCEPTION";
    case 0xC0000026: return "EXCEPTION_INVALID_DISPOSITION";
    case 0xC000008C: return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
    case 0xC000008D: return "EXCEPTION_FLT_DENORMAL_OPERAND";
    case 0xC000008E: return "EXCEPTION_FLT_DIVIDE_BY_ZERO";
    case 0xC000008F: return "EXCEPTION_FLT_INEXACT_RESULT";
    case 0xC0000090: return "EXCEPTION_FLT_INVALID_OPERATION";
    case 0xC0000091: return "EXCEPTION_FLT_OVERFLOW";
    case 0xC0000092: return "EXCEPTION_FLT_STACK_CHECK";
    case 0xC0000093: return "EXCEPTION_FLT_UNDERFLOW";
    case 0xC0000094: return "EXCEPTION_INT_DIVIDE_BY_ZERO";
    case 0xC0000095: return "EXCEPTION_INT_OVERFLOW";
    case 0xC0000096: return "EXCEPTION_PRIV_INSTRUCTION";
    case 0xC00000FD: return "EXCEPTION_STACK_OVERFLOW";
    default: return "EXCEPTION_UNKNOWN";
    }
}

void InstallStructuredExceptionTranslator() {}

std::string Ext2ExceptionTypeName(const std::exception& e)
{
    const char* mangled = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

bytes::ParseStatus Ext2ErrorStatus(const std::exception& e)
{
    return dynamic_cast<const CExt2ReadSectorError*>(&e) ? bytes::ParseStatus::IoFailure : bytes::ParseStatus::Corrupt;
}
