// Measures MP3 files that begin with an ID3 version 2.3 or 2.4 tag: steps over the tag (keeping its title and
// year), then from MPEG audio frame to frame until the audio ends.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <string>

class RawWalk;

class FileMP3Analyser : public IRawFileAnalyser {
public:
    // Bytes without a frame after which the audio counts as ended.
    static constexpr uint64_t kMaxGap = 65536;

    FileMP3Analyser() : IRawFileAnalyser(RawType::kMP3, RawSignature::MP3) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::MP3, sector, hit);
    }
    // Size: through the last frame, or through an ID3 version 1 tag that closes the audio. The song title
    // becomes the name prefix and the year the extra text; both keep the last file's values when this fails.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    std::string GetNamePrefix() override { return m_namePrefix; }
    std::string GetExtraText() override { return m_extraText; }

private:
    int Measure(RawWalk& walk);

    std::string m_namePrefix;
    std::string m_extraText;
};
