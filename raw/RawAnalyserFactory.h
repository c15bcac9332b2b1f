// The factory of RAW analysers: every analyser class by name in the default list order, which classes serve
// which RAW type id, and which classes are built into this program so far.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The analyser classes in the order of the default list (alphabetical by format, the custom analyser last).
enum class RawAnalyserClass : uint8_t {
    File3DSAnalyser,
    File3GPAnalyser,
    FileASFAnalyser,
    FileAUAnalyser,
    FileBMPAnalyser,
    FileCABAnalyser,
    FileCHMAnalyser,
    FileCPTAnalyser,
    FileCRWAnalyser,
    FileDBXAnalyser,
    FileDWGAnalyser,
    FileDXFAnalyser,
    FileEMFAnalyser,
    FileEPSAnalyser,
    FileFH11Analyser,
    FileGIFAnalyser,
    FileGZAnalyser,
    FileHLPAnalyser,
    FileHTMAnalyser,
    FileICOAnalyser,
    FileJPGAnalyser,
    FileLowDocAnalyser,
    FileLZHAnalyser,
    FileMDBAnalyser,
    FileMIDAnalyser,
    FileMNYAnalyser,
    FileMOVAnalyser,
    FileMP3Analyser,
    FileMP4Analyser,
    FileOLEAnalyser,
    FileONEAnalyser,
    FilePDFAnalyser,
    FilePNGAnalyser,
    FilePSDAnalyser,
    FilePSPAnalyser,
    FilePSTAnalyser,
    FileRARAnalyser,
    FileRIFFAnalyser,
    FileRTFAnalyser,
    FileSWFAnalyser,
    FileTARAnalyser,
    FileTIFAnalyser,
    FileTTFAnalyser,
    FileUnicodeHTMAnalyser,
    FileWMFAnalyser,
    FileWPDAnalyser,
    FileZIPAnalyser,
    CustomFileAnalyser,
};
inline constexpr size_t kRawAnalyserClassCount = static_cast<size_t>(RawAnalyserClass::CustomFileAnalyser) + 1;

const char* GetRawAnalyserClassName(RawAnalyserClass cls);
// Whether the class is built into this program (its header raw/<ClassName>.h exists).
bool IsRawAnalyserClassBuilt(RawAnalyserClass cls);
// A new analyser of the class; null when the class is not built yet.
std::unique_ptr<IRawFileAnalyser> CreateRawAnalyserOfClass(RawAnalyserClass cls);
// The classes the factory names for a RAW type id, in order, whether built or not: the fixed ids 1..73 by their
// row (none for DLL and EXE), every other id (0, negative, 74 and above) the custom analyser.
std::vector<RawAnalyserClass> GetRawAnalyserClassesForType(int typeId);
// Names of the classes not built yet, in list order.
std::vector<std::string> MissingRawAnalyserClasses();
