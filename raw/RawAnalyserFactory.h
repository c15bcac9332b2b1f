// The factory of RAW analysers: every analyser class by name in the default list order, and which classes serve
// which RAW type id.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The analyser classes in the order of the default list (alphabetical by format, the custom analyser last). This
// is the one list of classes: the enum, the names and the factory (RawAnalyserFactory.cpp, which includes each
// class's header raw/<ClassName>.h) are made from it, so a class named here that does not exist fails the build.
// clang-format off
#define SALVIX_RAW_ANALYSER_CLASSES(X) \
    X(File3DSAnalyser) \
    X(File3GPAnalyser) \
    X(FileASFAnalyser) \
    X(FileAUAnalyser) \
    X(FileBMPAnalyser) \
    X(FileCABAnalyser) \
    X(FileCHMAnalyser) \
    X(FileCPTAnalyser) \
    X(FileCRWAnalyser) \
    X(FileDBXAnalyser) \
    X(FileDWGAnalyser) \
    X(FileDXFAnalyser) \
    X(FileEMFAnalyser) \
    X(FileEPSAnalyser) \
    X(FileFH11Analyser) \
    X(FileGIFAnalyser) \
    X(FileGZAnalyser) \
    X(FileHLPAnalyser) \
    X(FileHTMAnalyser) \
    X(FileICOAnalyser) \
    X(FileJPGAnalyser) \
    X(FileLowDocAnalyser) \
    X(FileLZHAnalyser) \
    X(FileMDBAnalyser) \
    X(FileMIDAnalyser) \
    X(FileMNYAnalyser) \
    X(FileMOVAnalyser) \
    X(FileMP3Analyser) \
    X(FileMP4Analyser) \
    X(FileOLEAnalyser) \
    X(FileONEAnalyser) \
    X(FilePDFAnalyser) \
    X(FilePNGAnalyser) \
    X(FilePSDAnalyser) \
    X(FilePSPAnalyser) \
    X(FilePSTAnalyser) \
    X(FileRARAnalyser) \
    X(FileRIFFAnalyser) \
    X(FileRTFAnalyser) \
    X(FileSWFAnalyser) \
    X(FileTARAnalyser) \
    X(FileTIFAnalyser) \
    X(FileTTFAnalyser) \
    X(FileUnicodeHTMAnalyser) \
    X(FileWMFAnalyser) \
    X(FileWPDAnalyser) \
    X(FileZIPAnalyser) \
    X(CustomFileAnalyser)
// clang-format on

enum class RawAnalyserClass : uint8_t {
#define SALVIX_RAW_ANALYSER_ENUM(c) c,
    SALVIX_RAW_ANALYSER_CLASSES(SALVIX_RAW_ANALYSER_ENUM)
#undef SALVIX_RAW_ANALYSER_ENUM
};
inline constexpr size_t kRawAnalyserClassCount = static_cast<size_t>(RawAnalyserClass::CustomFileAnalyser) + 1;

const char* GetRawAnalyserClassName(RawAnalyserClass cls);
// A new analyser of the class.
std::unique_ptr<IRawFileAnalyser> CreateRawAnalyserOfClass(RawAnalyserClass cls);
// The classes the factory names for a RAW type id, in order: the fixed ids 1..73 by their row (none for DLL and
// EXE), every other id (0, negative, 74 and above) the custom analyser.
std::vector<RawAnalyserClass> GetRawAnalyserClassesForType(int typeId);
