// WordPerfect documents, graphics and presentations (WPD, WPG, SHW): FF "WPC" with a known product
// and file type; the size is the file size field at 20.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileWPDAnalyser : public RawHeaderAnalyser {
public:
    FileWPDAnalyser() : RawHeaderAnalyser(RawType::kWPD, RawSignature::WPD) {}
};
