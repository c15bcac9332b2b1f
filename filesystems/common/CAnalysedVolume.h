// What a volume analyser found, kept for IVolume's questions: each analyser fills the three fields in its
// constructor and answers from them afterwards.
#pragma once

#include "filesystems/common/IVolume.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

class CAnalysedVolume : public IVolume {
public:
    int32_t GetFileSystemKind() override { return m_fileSystemKind; }
    uint64_t GetTotalSectors() override { return m_totalSectors; }
    void GetLabel(char* buffer, int size) override
    {
        if (!buffer || size <= 0) return;
        std::memcpy(buffer, m_label, std::min<size_t>(static_cast<size_t>(size), kLabelSize));
    }

protected:
    int32_t m_fileSystemKind = 7; // nothing recognised
    char m_label[kLabelSize] = {};
    uint64_t m_totalSectors = 0;
};
