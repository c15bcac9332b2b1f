// What file system begins at a sector of a device, how many sectors it says it has, and its label: one
// analyser per file-system family answers, all the work done when it is made.
#pragma once

#include <cstdint>

class IVolume {
public:
    static constexpr int kLabelSize = 100;

    virtual ~IVolume() = default;
    // A file-system kind (kFsKind*), 7 when nothing was recognised.
    virtual int32_t GetFileSystemKind() = 0;
    // Sectors of the device that the file system states it covers; 0 when nothing was recognised.
    virtual uint64_t GetTotalSectors() = 0;
    // Copies min(size, 100) bytes of the zero-padded label field into buffer.
    virtual void GetLabel(char* buffer, int size) = 0;
};
