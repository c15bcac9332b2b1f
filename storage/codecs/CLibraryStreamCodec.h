// What the codecs over zlib and libbz2 share: both libraries keep a stream structure with the same
// buffer fields (next_in, avail_in, next_out, avail_out, differing only in pointer types), opened by an
// init call and released by an end call that must be made exactly once.
#pragma once

#include <algorithm>

template <class Stream, class Interface>
class CLibraryStreamCodec : public Interface {
public:
    void SetInput(const void* data, int length) override
    {
        m_stream.next_in = static_cast<decltype(m_stream.next_in)>(const_cast<void*>(data));
        m_stream.avail_in = static_cast<decltype(m_stream.avail_in)>(std::max(length, 0));
    }
    void SetOutput(void* buffer, int capacity) override
    {
        m_stream.next_out = static_cast<decltype(m_stream.next_out)>(buffer);
        m_stream.avail_out = static_cast<decltype(m_stream.avail_out)>(std::max(capacity, 0));
    }
    // Never above INT_MAX: the counts only shrink from what SetInput and SetOutput were given.
    int GetAvailIn() override { return static_cast<int>(m_stream.avail_in); }
    int GetAvailOut() override { return static_cast<int>(m_stream.avail_out); }

protected:
    CLibraryStreamCodec() = default;
    ~CLibraryStreamCodec() override = default;
    CLibraryStreamCodec(const CLibraryStreamCodec&) = delete;
    CLibraryStreamCodec& operator=(const CLibraryStreamCodec&) = delete;

    // A fresh stream: the one still open is ended (through the codec's End), the structure cleared, and
    // the library's init called on it; both libraries answer 0 for success.
    template <class InitCall>
    int OpenStream(InitCall init)
    {
        this->End();
        m_stream = Stream{};
        const int result = init(&m_stream);
        m_active = result == 0;
        return result;
    }
    // The library's end call, once per opened stream; notOpen without a stream.
    template <class EndCall>
    int CloseStream(EndCall end, int notOpen)
    {
        if (!m_active) return notOpen;
        m_active = false;
        return end(&m_stream);
    }

    Stream m_stream{};
    bool m_active = false; // the library holds state for m_stream between OpenStream and CloseStream
};
