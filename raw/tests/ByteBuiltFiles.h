// Small files built byte by byte for the formats no Debian tool writes (Paint Shop Pro, PHOTO-PAINT, Access,
// AutoCAD drawings and exchange files, FreeHand 11), each exactly as long as its analyser must measure it.
#pragma once

#include "raw/tests/WalkTestSupport.h"

#include <string>
#include <vector>

namespace walktest {

struct BuiltFile {
    std::string name;
    int type;
    Bytes bytes;
};

Bytes MakePsp(size_t blocks = 3, size_t blockData = 200);
// A table of two entries; the last entry's record ends in an offset pair giving the file's end.
Bytes MakeCpt();
Bytes MakeMdb(bool ace, size_t pages = 5);
// Release 2000: three section locators, the farthest ending the file.
Bytes MakeDwg2000();
// Releases 2004 and 2007: the header sentinel at 128 and its second copy so placed that the file ends
// 108 (2004) or 1024 (2007) bytes after it.
Bytes MakeDwg2004(size_t size = 3000);
Bytes MakeDwg2007(size_t size = 5000);
Bytes MakeDxf();
Bytes MakeFh11();

// All of them, with their RAW type ids.
std::vector<BuiltFile> AllBuiltFiles();

} // namespace walktest
