// A thin owner of one file descriptor with the open modes, line reading and writing, and 64-bit seeking
// that the device, state and catalogue code expect. Failures set plat::GetLastError().
#pragma once

#include <cstdint>

class CFileHandle {
public:
    enum Mode : unsigned {
        kRead = 0,         // an existing file, read only
        kWrite = 1,        // an existing file, write only
        kReadWrite = 2,    // an existing file
        kCreateAlways = 3, // read-write, created or truncated
        kOpenAlways = 4,   // read-write, opened or created
    };

    CFileHandle() = default;
    CFileHandle(const char* path, unsigned mode);
    ~CFileHandle();
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    // Closes first; false for an unknown mode (nothing is touched) or when the file cannot be opened.
    bool Open(const char* path, unsigned mode);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }

    // Bytes read (short only at the end of the file); 0 when closed or on failure.
    uint32_t Read(void* buffer, uint32_t n);
    // True only when all n bytes were written.
    bool Write(const void* buffer, uint32_t n);
    // Writes n bytes and then CR LF unless the text already ends with CR LF; n = 0 writes nothing and succeeds.
    bool WriteLine(const char* text, uint32_t n);
    // Reads byte by byte up to and including '\n', at most n bytes, and terminates the buffer after them (it
    // must hold n + 1 bytes). 0, with the buffer untouched, when nothing could be read.
    uint32_t ReadLine(char* buffer, uint32_t n);

    bool Seek64(uint64_t position);
    bool SeekToBegin();
    // The low 32 bits of the new position (0 when closed).
    uint32_t SeekToEnd();
    bool QueryPosition(uint64_t& position) const;
    // All bits set when the position cannot be had.
    uint64_t GetPosition() const;
    bool GetSize(uint64_t& size) const;

private:
    int m_fd = -1;
};
