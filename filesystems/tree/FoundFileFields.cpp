// The shared stored fields of found files, written and read in one place.
#include "filesystems/tree/FoundFileFields.h"

#include "core/rsdata/IRSData.h"

#include <cstring>
#include <vector>

void FoundFileFields::Write(IRSData* stream) const
{
    RSWriteValue<uint64_t>(stream, size);
    RSWriteValue<uint16_t>(stream, attributes);
    RSWriteValue<uint64_t>(stream, creationTime);
    RSWriteValue<uint64_t>(stream, modificationTime);
    RSWriteValue<uint64_t>(stream, accessTime);
    RSWriteValue<uint8_t>(stream, state);
}

FoundFileFields FoundFileFields::Read(IRSData* stream)
{
    FoundFileFields f;
    f.size = RSReadValue<uint64_t>(stream);
    f.attributes = RSReadValue<uint16_t>(stream);
    f.creationTime = RSReadValue<uint64_t>(stream);
    f.modificationTime = RSReadValue<uint64_t>(stream);
    f.accessTime = RSReadValue<uint64_t>(stream);
    f.state = RSReadValue<uint8_t>(stream);
    return f;
}

void WriteCountedText(IRSData* stream, const std::string& text, size_t length)
{
    if (length == 0) return;
    if (length <= text.size()) {
        stream->Write(text.data(), unsigned(length));
        return;
    }
    std::string bytes = text;
    bytes.resize(length, '\0');
    stream->Write(bytes.data(), unsigned(length));
}

std::string ReadCountedText(IRSData* stream, size_t length)
{
    if (length == 0) return {};
    std::vector<char> bytes(length + 1, '\0');
    stream->Read(bytes.data(), unsigned(length));
    return std::string(bytes.data(), std::strlen(bytes.data()));
}
