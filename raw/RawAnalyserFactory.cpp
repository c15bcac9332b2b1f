// The factory of RAW analysers: one row per class (made from SALVIX_RAW_ANALYSER_CLASSES) and the classes of each
// fixed RAW type id.
#include "raw/RawAnalyserFactory.h"

#include "raw/CustomFileAnalyser.h"
#include "raw/File3DSAnalyser.h"
#include "raw/File3GPAnalyser.h"
#include "raw/FileASFAnalyser.h"
#include "raw/FileAUAnalyser.h"
#include "raw/FileBMPAnalyser.h"
#include "raw/FileCABAnalyser.h"
#include "raw/FileCHMAnalyser.h"
#include "raw/FileCPTAnalyser.h"
#include "raw/FileCRWAnalyser.h"
#include "raw/FileDBXAnalyser.h"
#include "raw/FileDWGAnalyser.h"
#include "raw/FileDXFAnalyser.h"
#include "raw/FileEMFAnalyser.h"
#include "raw/FileEPSAnalyser.h"
#include "raw/FileFH11Analyser.h"
#include "raw/FileGIFAnalyser.h"
#include "raw/FileGZAnalyser.h"
#include "raw/FileHLPAnalyser.h"
#include "raw/FileHTMAnalyser.h"
#include "raw/FileICOAnalyser.h"
#include "raw/FileJPGAnalyser.h"
#include "raw/FileLZHAnalyser.h"
#include "raw/FileLowDocAnalyser.h"
#include "raw/FileMDBAnalyser.h"
#include "raw/FileMIDAnalyser.h"
#include "raw/FileMNYAnalyser.h"
#include "raw/FileMOVAnalyser.h"
#include "raw/FileMP3Analyser.h"
#include "raw/FileMP4Analyser.h"
#include "raw/FileOLEAnalyser.h"
#include "raw/FileONEAnalyser.h"
#include "raw/FilePDFAnalyser.h"
#include "raw/FilePNGAnalyser.h"
#include "raw/FilePSDAnalyser.h"
#include "raw/FilePSPAnalyser.h"
#include "raw/FilePSTAnalyser.h"
#include "raw/FileRARAnalyser.h"
#include "raw/FileRIFFAnalyser.h"
#include "raw/FileRTFAnalyser.h"
#include "raw/FileSWFAnalyser.h"
#include "raw/FileTARAnalyser.h"
#include "raw/FileTIFAnalyser.h"
#include "raw/FileTTFAnalyser.h"
#include "raw/FileUnicodeHTMAnalyser.h"
#include "raw/FileWMFAnalyser.h"
#include "raw/FileWPDAnalyser.h"
#include "raw/FileZIPAnalyser.h"
#include "raw/RawAnalyserList.h"
#include "core/filetypes/RawTypeTable.h"

#include <array>

namespace {

template <class T>
std::unique_ptr<IRawFileAnalyser> Make()
{
    return std::make_unique<T>();
}

using MakeFn = std::unique_ptr<IRawFileAnalyser> (*)();

struct ClassRow {
    const char* name;
    MakeFn make;
};

const std::array<ClassRow, kRawAnalyserClassCount> kClasses = {
#define SALVIX_RAW_ANALYSER_ROW(c) ClassRow{#c, &Make<c>},
    SALVIX_RAW_ANALYSER_CLASSES(SALVIX_RAW_ANALYSER_ROW)
#undef SALVIX_RAW_ANALYSER_ROW
};

using C = RawAnalyserClass;

// The classes of one fixed RAW type id, in the order they are appended.
struct TypeRow {
    int typeId;
    uint8_t count;
    C classes[2];
};

constexpr TypeRow One(int typeId, C c)
{
    return {typeId, 1, {c, c}};
}
constexpr TypeRow Two(int typeId, C a, C b)
{
    return {typeId, 2, {a, b}};
}
constexpr TypeRow None(int typeId)
{
    return {typeId, 0, {C::CustomFileAnalyser, C::CustomFileAnalyser}};
}

// Access projects (ADP) are compound documents: the compound-document analyser alone recognises and measures
// them, so it serves that id.
constexpr std::array<TypeRow, kRawTypeLastFixed + 1> kTypeRows = {
    None(RawType::kRaw), // not a fixed type (handled before the table)
    One(RawType::k3DS, C::File3DSAnalyser),
    One(RawType::k3GP, C::File3GPAnalyser),
    One(RawType::kADP, C::FileOLEAnalyser),
    One(RawType::kANI, C::FileRIFFAnalyser),
    One(RawType::kAI, C::FilePDFAnalyser),
    One(RawType::kASF, C::FileASFAnalyser),
    One(RawType::kAU, C::FileAUAnalyser),
    One(RawType::kAVI, C::FileRIFFAnalyser),
    One(RawType::kBMP, C::FileBMPAnalyser),
    One(RawType::kCAB, C::FileCABAnalyser),
    One(RawType::kCDR, C::FileRIFFAnalyser),
    One(RawType::kCHM, C::FileCHMAnalyser),
    One(RawType::kCLK, C::FileRIFFAnalyser),
    One(RawType::kCMX, C::FileRIFFAnalyser),
    One(RawType::kCPT, C::FileCPTAnalyser),
    One(RawType::kCRW, C::FileCRWAnalyser),
    One(RawType::kCSL, C::FileRIFFAnalyser),
    One(RawType::kCUR, C::FileICOAnalyser),
    One(RawType::kDBX, C::FileDBXAnalyser),
    None(RawType::kDLL),
    Two(RawType::kDOC, C::FileOLEAnalyser, C::FileLowDocAnalyser),
    One(RawType::kDWG, C::FileDWGAnalyser),
    One(RawType::kDXF, C::FileDXFAnalyser),
    One(RawType::kEMF, C::FileEMFAnalyser),
    One(RawType::kEPS, C::FileEPSAnalyser),
    None(RawType::kEXE),
    One(RawType::kFH11, C::FileFH11Analyser),
    One(RawType::kGIF, C::FileGIFAnalyser),
    One(RawType::kGZ, C::FileGZAnalyser),
    One(RawType::kHLP, C::FileHLPAnalyser),
    Two(RawType::kHTM, C::FileHTMAnalyser, C::FileUnicodeHTMAnalyser),
    One(RawType::kICO, C::FileICOAnalyser),
    One(RawType::kJPG, C::FileJPGAnalyser),
    One(RawType::kLZH, C::FileLZHAnalyser),
    One(RawType::kMAX, C::FileOLEAnalyser),
    One(RawType::kMID, C::FileMIDAnalyser),
    One(RawType::kMDB, C::FileMDBAnalyser),
    One(RawType::kMNY, C::FileMNYAnalyser),
    One(RawType::kMOF, C::FileOLEAnalyser),
    One(RawType::kMOV, C::FileMOVAnalyser),
    One(RawType::kMP3, C::FileMP3Analyser),
    One(RawType::kMP4, C::FileMP4Analyser),
    One(RawType::kMPP, C::FileOLEAnalyser),
    One(RawType::kOLE, C::FileOLEAnalyser),
    One(RawType::kONE, C::FileONEAnalyser),
    One(RawType::kPDF, C::FilePDFAnalyser),
    One(RawType::kPNG, C::FilePNGAnalyser),
    One(RawType::kPPT, C::FileOLEAnalyser),
    One(RawType::kPUB, C::FileOLEAnalyser),
    One(RawType::kPSD, C::FilePSDAnalyser),
    One(RawType::kPSP, C::FilePSPAnalyser),
    One(RawType::kPST, C::FilePSTAnalyser),
    One(RawType::kQPW, C::FileOLEAnalyser),
    One(RawType::kRAR, C::FileRARAnalyser),
    One(RawType::kRIFF, C::FileRIFFAnalyser),
    One(RawType::kRTF, C::FileRTFAnalyser),
    Two(RawType::kSHW, C::FileOLEAnalyser, C::FileWPDAnalyser),
    One(RawType::kSWF, C::FileSWFAnalyser),
    One(RawType::kTAR, C::FileTARAnalyser),
    One(RawType::kTIF, C::FileTIFAnalyser),
    One(RawType::kTTF, C::FileTTFAnalyser),
    One(RawType::kVSD, C::FileOLEAnalyser),
    One(RawType::kWAV, C::FileRIFFAnalyser),
    Two(RawType::kWPD, C::FileOLEAnalyser, C::FileWPDAnalyser),
    Two(RawType::kWPG, C::FileOLEAnalyser, C::FileWPDAnalyser),
    One(RawType::kWMF, C::FileWMFAnalyser),
    One(RawType::kXLS, C::FileOLEAnalyser),
    One(RawType::kZIP, C::FileZIPAnalyser),
    One(RawType::kDOCX, C::FileZIPAnalyser),
    One(RawType::kXLSX, C::FileZIPAnalyser),
    One(RawType::kPPTX, C::FileZIPAnalyser),
    One(RawType::kACCDB, C::FileMDBAnalyser),
    One(RawType::kNEF, C::FileTIFAnalyser),
};

constexpr bool TypeRowsInIdOrder()
{
    for (size_t i = 0; i < kTypeRows.size(); ++i)
        if (kTypeRows[i].typeId != static_cast<int>(i)) return false;
    return true;
}
static_assert(TypeRowsInIdOrder(), "kTypeRows must list the types in the order of their RawType ids");

const ClassRow& Row(RawAnalyserClass cls)
{
    return kClasses[static_cast<size_t>(cls)];
}

} // namespace

const char* GetRawAnalyserClassName(RawAnalyserClass cls)
{
    return Row(cls).name;
}

std::unique_ptr<IRawFileAnalyser> CreateRawAnalyserOfClass(RawAnalyserClass cls)
{
    return Row(cls).make();
}

std::vector<RawAnalyserClass> GetRawAnalyserClassesForType(int typeId)
{
    if (typeId < kRawTypeFirstFixed || typeId > kRawTypeLastFixed) return {C::CustomFileAnalyser};
    const TypeRow& row = kTypeRows[static_cast<size_t>(typeId)];
    return std::vector<RawAnalyserClass>(row.classes, row.classes + row.count);
}

void BuildAllRawAnalysers(RawAnalyserList& list)
{
    for (size_t i = 0; i < kRawAnalyserClassCount; ++i)
        list.Append(CreateRawAnalyserOfClass(static_cast<RawAnalyserClass>(i)));
}

void CreateRawAnalysers(int typeId, RawAnalyserList& list)
{
    for (RawAnalyserClass cls : GetRawAnalyserClassesForType(typeId)) list.Append(CreateRawAnalyserOfClass(cls));
}
