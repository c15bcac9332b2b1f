// fuzz-target: salvix_recoverystate
// The 132-byte recovery-state header: decoded from bytes, and read back by both file streams (plain and
// piece-compressed) from a file holding the input, with the validity test, kind and title.
#include "core/rsdata/CRSData.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "core/rsdata/CRSException.h"
#include "core/rsdata/IRSData.h"
#include "fuzz/common/FuzzFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16) return -1;
    uint8_t bytes[RSHeader::kSize] = {};
    std::memcpy(bytes, data, size < sizeof(bytes) ? size : sizeof(bytes));
    const RSHeader decoded = RSHeader::Decode(bytes);
    uint8_t back[RSHeader::kSize];
    decoded.Encode(back);
    if (std::memcmp(back, bytes, sizeof(bytes)) != 0) __builtin_trap(); // the header goes back as it came

    const std::string path = fuzz::WriteFuzzFile("header.rs", data, size);
    volatile uint64_t sink = 0;
    for (bool compressed : {false, true}) {
        std::unique_ptr<IRSData> stream = compressed ? std::unique_ptr<IRSData>(new CRSDataEx(CRSData::kModeRead))
                                                     : std::make_unique<CRSData>(CRSData::kModeRead);
        try {
            sink = sink + stream->Open(path.c_str(), false) + stream->IsValidFile();
            RSHeader header;
            sink = sink + stream->ReadHeader(&header) + uint64_t(stream->GetKind());
            for (int room : {1, 8, 128}) {
                char title[129];
                std::memset(title, 'x', sizeof(title));
                title[128] = 0;
                if (stream->ReadTitle(title, room) && std::strlen(title) >= size_t(room)) __builtin_trap();
            }
            stream->Close();
        } catch (const CRSException&) {
        }
    }
    (void)sink;
    return 0;
}
