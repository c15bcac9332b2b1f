// The one error type of the recovery-state streams: thrown by value as CRSException, caught as
// IRSException&, carrying a small integer code (see RSErrorCode).
#pragma once

#include <exception>

// Codes carried by the exception.
enum RSErrorCode : int {
    RS_ERROR_BAD_LENGTH = 2,        // a length, count or kind read from the file is out of range
    RS_ERROR_WRONG_DIRECTION = 3,   // a writing operation on a read stream or the reverse
    RS_ERROR_SHORT_READ = 5,        // fewer bytes than asked, or a stored piece that cannot be decoded
    RS_ERROR_WRITE_FAILED = 6,      // writing the file failed (or a section outgrew its 32-bit length)
    RS_ERROR_SECTION_NOT_FOUND = 7, // no section with the asked GUID
    RS_ERROR_NO_SECTION = 8,        // Read, Write or GetSectionLength without an open section
};

class IRSException : public std::exception {
public:
    virtual int GetCode() const = 0;
};

class CRSException : public IRSException {
public:
    explicit CRSException(int code) : m_code(code) {}
    int GetCode() const override { return m_code; }
    const char* what() const noexcept override { return "recovery-state stream error"; }

private:
    int m_code;
};
