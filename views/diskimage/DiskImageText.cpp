// The texts and small rules of the disk-image wizards.
#include "views/diskimage/DiskImageText.h"

#include <cstdio>

namespace diskimg {

std::string CompleteImagePath(const std::string& typed)
{
    static const std::string kExt = ".kxi";
    if (typed.empty()) return typed;
    if (typed.size() > kExt.size() && typed.compare(typed.size() - kExt.size(), kExt.size(), kExt) == 0) return typed;
    return typed + kExt;
}

std::string CutText(const std::string& text, size_t maxBytes, const char* suffix)
{
    if (text.size() <= maxBytes) return text;
    size_t end = maxBytes;
    // Step back over continuation bytes so that the cut lands on the start of a character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + suffix;
}

std::string CutDisplayName(const std::string& name)
{
    // Counted in characters: a Japanese volume label is cut as the user reads it.
    size_t chars = 0, pos = 0, cut = std::string::npos;
    for (; pos < name.size(); ++pos) {
        if ((static_cast<unsigned char>(name[pos]) & 0xC0) == 0x80) continue;
        if (chars == 25) cut = pos;
        ++chars;
    }
    if (chars < 26) return name;
    return name.substr(0, cut) + "...";
}

int SummarySectorSize(int sectorSize)
{
    if (sectorSize < 1 || sectorSize % 512 != 0 || sectorSize > 4096) return 512;
    return sectorSize;
}

std::string FormatSectorsSize(uint64_t sectors, int sectorSize)
{
    const uint64_t ss = uint64_t(SummarySectorSize(sectorSize));
    const uint64_t gb = (uint64_t(1) << 30) / ss, mb = (uint64_t(1) << 20) / ss;
    char text[64];
    if (sectors >= gb)
        std::snprintf(text, sizeof text, "%.2f GB", double(sectors) / double(gb));
    else
        std::snprintf(text, sizeof text, "%.2f MB", double(sectors) / double(mb));
    return text;
}

CompressionSettings SettingsFrom(bool compress, int levelSelection, bool split, int sliceSelection)
{
    CompressionSettings s;
    if (compress) {
        s.kind = kZlibKind;
        s.level = kLevels[levelSelection >= 0 && levelSelection < 3 ? levelSelection : 0];
    }
    if (split) s.sliceLimit = kSliceLimits[sliceSelection >= 0 && sliceSelection < 4 ? sliceSelection : 0];
    return s;
}

unsigned LevelTextId(int kind, int level)
{
    if (kind == 0) return 424;
    switch (level) {
    case 1: return 379;
    case 9: return 423;
    default: return 422; // 5, and the codec's default level
    }
}

std::optional<uint64_t> RunRemainingSeconds(uint64_t totalBlocks, uint64_t doneBlocks, uint64_t elapsedMs)
{
    if (elapsedMs < 5000 || doneBlocks == 0) return std::nullopt;
    const uint64_t left = totalBlocks > doneBlocks ? totalBlocks - doneBlocks : 0;
    return left * elapsedMs / doneBlocks / 1000 + 1;
}

std::string FormatFirstForecast(uint32_t ms)
{
    const uint32_t s = ms / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%u:%02u:%02u", s / 3600, (s / 60) % 60, s % 60);
    return text;
}

} // namespace diskimg
