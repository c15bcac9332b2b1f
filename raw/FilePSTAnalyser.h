// Personal mail folders (PST): "!BDN"; the size is the file size of the ANSI or Unicode header, else 1 MiB.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FilePSTAnalyser : public RawHeaderAnalyser {
public:
    FilePSTAnalyser() : RawHeaderAnalyser(RawType::kPST, RawSignature::PST) {}
};
