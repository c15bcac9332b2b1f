// The texts and small rules of the disk-image wizards that need no window: image-path completion, cut
// names, sizes of the summary, compression settings from the advanced pane and the run's time forecast.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace diskimg {

// Slice limits in 512-byte units offered by the advanced pane ("4G", "2G", "1G", "640MB").
constexpr int kSliceLimits[] = {8388600, 4194304, 2097152, 1310720};
constexpr const char* kSliceLimitTexts[] = {"4G", "2G", "1G", "640MB"};
// Levels behind "Fastest", "Normal", "Maximum".
constexpr int kLevels[] = {1, 5, 9};
constexpr int kUncompressedSliceLimit = 8388600;
constexpr int kZlibKind = 2;
// Image paths are kept below this length; a longer typed path is refused.
constexpr int kMaxTypedPath = 208;
constexpr int kMaxChosenPath = 200;

// ".kxi" appended unless the path already ends in it; an empty path stays empty.
std::string CompleteImagePath(const std::string& typed);

// The first maxBytes bytes of text, never splitting a UTF-8 character, followed by suffix; the text as it
// is when it fits.
std::string CutText(const std::string& text, size_t maxBytes, const char* suffix);
// The source name in the mode pane: 26 characters or more become the first 25 and "...".
std::string CutDisplayName(const std::string& name);

// 512 unless the size is a multiple of 512 within 512 .. 4096.
int SummarySectorSize(int sectorSize);
// "%.2f GB" from one gigabyte up, else "%.2f MB", of sectors of sectorSize bytes.
std::string FormatSectorsSize(uint64_t sectors, int sectorSize);

struct CompressionSettings {
    int sliceLimit = kUncompressedSliceLimit;
    int kind = 0;
    int level = -1;
};
// What the advanced pane's check boxes and selections mean.
CompressionSettings SettingsFrom(bool compress, int levelSelection, bool split, int sliceSelection);

// The string id of the summary's level text: the level actually used. A compressing kind at the codec's
// default level (-1) reads "Normal"; no compression reads "None".
unsigned LevelTextId(int kind, int level);

// The remaining time of the run: nothing (show "Calculating...") before 5 s or before the first block,
// else (total - done) x elapsed / done / 1000 + 1 seconds.
std::optional<uint64_t> RunRemainingSeconds(uint64_t totalBlocks, uint64_t doneBlocks, uint64_t elapsedMs);
// The first forecast of the whole run, "%u:%02u:%02u" of hours, minutes and seconds of ms.
std::string FormatFirstForecast(uint32_t ms);

} // namespace diskimg
