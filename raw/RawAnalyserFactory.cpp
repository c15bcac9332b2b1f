// The factory of RAW analysers. A class joins by existing: its header raw/<ClassName>.h is included when present
// (raw/module.cmake makes this file rebuild when a header appears), and every row naming the class then makes it.
#include "raw/RawAnalyserFactory.h"

#include "raw/RawAnalyserList.h"

#include <array>

namespace {

template <class T>
std::unique_ptr<IRawFileAnalyser> Make()
{
    return std::make_unique<T>();
}

using MakeFn = std::unique_ptr<IRawFileAnalyser> (*)();

} // namespace

#if __has_include("raw/File3DSAnalyser.h")
#include "raw/File3DSAnalyser.h"
#define SALVIX_RAW_MAKE_File3DSAnalyser &Make<File3DSAnalyser>
#else
#define SALVIX_RAW_MAKE_File3DSAnalyser nullptr
#endif
#if __has_include("raw/File3GPAnalyser.h")
#include "raw/File3GPAnalyser.h"
#define SALVIX_RAW_MAKE_File3GPAnalyser &Make<File3GPAnalyser>
#else
#define SALVIX_RAW_MAKE_File3GPAnalyser nullptr
#endif
#if __has_include("raw/FileASFAnalyser.h")
#include "raw/FileASFAnalyser.h"
#define SALVIX_RAW_MAKE_FileASFAnalyser &Make<FileASFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileASFAnalyser nullptr
#endif
#if __has_include("raw/FileAUAnalyser.h")
#include "raw/FileAUAnalyser.h"
#define SALVIX_RAW_MAKE_FileAUAnalyser &Make<FileAUAnalyser>
#else
#define SALVIX_RAW_MAKE_FileAUAnalyser nullptr
#endif
#if __has_include("raw/FileBMPAnalyser.h")
#include "raw/FileBMPAnalyser.h"
#define SALVIX_RAW_MAKE_FileBMPAnalyser &Make<FileBMPAnalyser>
#else
#define SALVIX_RAW_MAKE_FileBMPAnalyser nullptr
#endif
#if __has_include("raw/FileCABAnalyser.h")
#include "raw/FileCABAnalyser.h"
#define SALVIX_RAW_MAKE_FileCABAnalyser &Make<FileCABAnalyser>
#else
#define SALVIX_RAW_MAKE_FileCABAnalyser nullptr
#endif
#if __has_include("raw/FileCHMAnalyser.h")
#include "raw/FileCHMAnalyser.h"
#define SALVIX_RAW_MAKE_FileCHMAnalyser &Make<FileCHMAnalyser>
#else
#define SALVIX_RAW_MAKE_FileCHMAnalyser nullptr
#endif
#if __has_include("raw/FileCPTAnalyser.h")
#include "raw/FileCPTAnalyser.h"
#define SALVIX_RAW_MAKE_FileCPTAnalyser &Make<FileCPTAnalyser>
#else
#define SALVIX_RAW_MAKE_FileCPTAnalyser nullptr
#endif
#if __has_include("raw/FileCRWAnalyser.h")
#include "raw/FileCRWAnalyser.h"
#define SALVIX_RAW_MAKE_FileCRWAnalyser &Make<FileCRWAnalyser>
#else
#define SALVIX_RAW_MAKE_FileCRWAnalyser nullptr
#endif
#if __has_include("raw/FileDBXAnalyser.h")
#include "raw/FileDBXAnalyser.h"
#define SALVIX_RAW_MAKE_FileDBXAnalyser &Make<FileDBXAnalyser>
#else
#define SALVIX_RAW_MAKE_FileDBXAnalyser nullptr
#endif
#if __has_include("raw/FileDWGAnalyser.h")
#include "raw/FileDWGAnalyser.h"
#define SALVIX_RAW_MAKE_FileDWGAnalyser &Make<FileDWGAnalyser>
#else
#define SALVIX_RAW_MAKE_FileDWGAnalyser nullptr
#endif
#if __has_include("raw/FileDXFAnalyser.h")
#include "raw/FileDXFAnalyser.h"
#define SALVIX_RAW_MAKE_FileDXFAnalyser &Make<FileDXFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileDXFAnalyser nullptr
#endif
#if __has_include("raw/FileEMFAnalyser.h")
#include "raw/FileEMFAnalyser.h"
#define SALVIX_RAW_MAKE_FileEMFAnalyser &Make<FileEMFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileEMFAnalyser nullptr
#endif
#if __has_include("raw/FileEPSAnalyser.h")
#include "raw/FileEPSAnalyser.h"
#define SALVIX_RAW_MAKE_FileEPSAnalyser &Make<FileEPSAnalyser>
#else
#define SALVIX_RAW_MAKE_FileEPSAnalyser nullptr
#endif
#if __has_include("raw/FileFH11Analyser.h")
#include "raw/FileFH11Analyser.h"
#define SALVIX_RAW_MAKE_FileFH11Analyser &Make<FileFH11Analyser>
#else
#define SALVIX_RAW_MAKE_FileFH11Analyser nullptr
#endif
#if __has_include("raw/FileGIFAnalyser.h")
#include "raw/FileGIFAnalyser.h"
#define SALVIX_RAW_MAKE_FileGIFAnalyser &Make<FileGIFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileGIFAnalyser nullptr
#endif
#if __has_include("raw/FileGZAnalyser.h")
#include "raw/FileGZAnalyser.h"
#define SALVIX_RAW_MAKE_FileGZAnalyser &Make<FileGZAnalyser>
#else
#define SALVIX_RAW_MAKE_FileGZAnalyser nullptr
#endif
#if __has_include("raw/FileHLPAnalyser.h")
#include "raw/FileHLPAnalyser.h"
#define SALVIX_RAW_MAKE_FileHLPAnalyser &Make<FileHLPAnalyser>
#else
#define SALVIX_RAW_MAKE_FileHLPAnalyser nullptr
#endif
#if __has_include("raw/FileHTMAnalyser.h")
#include "raw/FileHTMAnalyser.h"
#define SALVIX_RAW_MAKE_FileHTMAnalyser &Make<FileHTMAnalyser>
#else
#define SALVIX_RAW_MAKE_FileHTMAnalyser nullptr
#endif
#if __has_include("raw/FileICOAnalyser.h")
#include "raw/FileICOAnalyser.h"
#define SALVIX_RAW_MAKE_FileICOAnalyser &Make<FileICOAnalyser>
#else
#define SALVIX_RAW_MAKE_FileICOAnalyser nullptr
#endif
#if __has_include("raw/FileJPGAnalyser.h")
#include "raw/FileJPGAnalyser.h"
#define SALVIX_RAW_MAKE_FileJPGAnalyser &Make<FileJPGAnalyser>
#else
#define SALVIX_RAW_MAKE_FileJPGAnalyser nullptr
#endif
#if __has_include("raw/FileLowDocAnalyser.h")
#include "raw/FileLowDocAnalyser.h"
#define SALVIX_RAW_MAKE_FileLowDocAnalyser &Make<FileLowDocAnalyser>
#else
#define SALVIX_RAW_MAKE_FileLowDocAnalyser nullptr
#endif
#if __has_include("raw/FileLZHAnalyser.h")
#include "raw/FileLZHAnalyser.h"
#define SALVIX_RAW_MAKE_FileLZHAnalyser &Make<FileLZHAnalyser>
#else
#define SALVIX_RAW_MAKE_FileLZHAnalyser nullptr
#endif
#if __has_include("raw/FileMDBAnalyser.h")
#include "raw/FileMDBAnalyser.h"
#define SALVIX_RAW_MAKE_FileMDBAnalyser &Make<FileMDBAnalyser>
#else
#define SALVIX_RAW_MAKE_FileMDBAnalyser nullptr
#endif
#if __has_include("raw/FileMIDAnalyser.h")
#include "raw/FileMIDAnalyser.h"
#define SALVIX_RAW_MAKE_FileMIDAnalyser &Make<FileMIDAnalyser>
#else
#define SALVIX_RAW_MAKE_FileMIDAnalyser nullptr
#endif
#if __has_include("raw/FileMNYAnalyser.h")
#include "raw/FileMNYAnalyser.h"
#define SALVIX_RAW_MAKE_FileMNYAnalyser &Make<FileMNYAnalyser>
#else
#define SALVIX_RAW_MAKE_FileMNYAnalyser nullptr
#endif
#if __has_include("raw/FileMOVAnalyser.h")
#include "raw/FileMOVAnalyser.h"
#define SALVIX_RAW_MAKE_FileMOVAnalyser &Make<FileMOVAnalyser>
#else
#define SALVIX_RAW_MAKE_FileMOVAnalyser nullptr
#endif
#if __has_include("raw/FileMP3Analyser.h")
#include "raw/FileMP3Analyser.h"
#define SALVIX_RAW_MAKE_FileMP3Analyser &Make<FileMP3Analyser>
#else
#define SALVIX_RAW_MAKE_FileMP3Analyser nullptr
#endif
#if __has_include("raw/FileMP4Analyser.h")
#include "raw/FileMP4Analyser.h"
#define SALVIX_RAW_MAKE_FileMP4Analyser &Make<FileMP4Analyser>
#else
#define SALVIX_RAW_MAKE_FileMP4Analyser nullptr
#endif
#if __has_include("raw/FileOLEAnalyser.h")
#include "raw/FileOLEAnalyser.h"
#define SALVIX_RAW_MAKE_FileOLEAnalyser &Make<FileOLEAnalyser>
#else
#define SALVIX_RAW_MAKE_FileOLEAnalyser nullptr
#endif
#if __has_include("raw/FileONEAnalyser.h")
#include "raw/FileONEAnalyser.h"
#define SALVIX_RAW_MAKE_FileONEAnalyser &Make<FileONEAnalyser>
#else
#define SALVIX_RAW_MAKE_FileONEAnalyser nullptr
#endif
#if __has_include("raw/FilePDFAnalyser.h")
#include "raw/FilePDFAnalyser.h"
#define SALVIX_RAW_MAKE_FilePDFAnalyser &Make<FilePDFAnalyser>
#else
#define SALVIX_RAW_MAKE_FilePDFAnalyser nullptr
#endif
#if __has_include("raw/FilePNGAnalyser.h")
#include "raw/FilePNGAnalyser.h"
#define SALVIX_RAW_MAKE_FilePNGAnalyser &Make<FilePNGAnalyser>
#else
#define SALVIX_RAW_MAKE_FilePNGAnalyser nullptr
#endif
#if __has_include("raw/FilePSDAnalyser.h")
#include "raw/FilePSDAnalyser.h"
#define SALVIX_RAW_MAKE_FilePSDAnalyser &Make<FilePSDAnalyser>
#else
#define SALVIX_RAW_MAKE_FilePSDAnalyser nullptr
#endif
#if __has_include("raw/FilePSPAnalyser.h")
#include "raw/FilePSPAnalyser.h"
#define SALVIX_RAW_MAKE_FilePSPAnalyser &Make<FilePSPAnalyser>
#else
#define SALVIX_RAW_MAKE_FilePSPAnalyser nullptr
#endif
#if __has_include("raw/FilePSTAnalyser.h")
#include "raw/FilePSTAnalyser.h"
#define SALVIX_RAW_MAKE_FilePSTAnalyser &Make<FilePSTAnalyser>
#else
#define SALVIX_RAW_MAKE_FilePSTAnalyser nullptr
#endif
#if __has_include("raw/FileRARAnalyser.h")
#include "raw/FileRARAnalyser.h"
#define SALVIX_RAW_MAKE_FileRARAnalyser &Make<FileRARAnalyser>
#else
#define SALVIX_RAW_MAKE_FileRARAnalyser nullptr
#endif
#if __has_include("raw/FileRIFFAnalyser.h")
#include "raw/FileRIFFAnalyser.h"
#define SALVIX_RAW_MAKE_FileRIFFAnalyser &Make<FileRIFFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileRIFFAnalyser nullptr
#endif
#if __has_include("raw/FileRTFAnalyser.h")
#include "raw/FileRTFAnalyser.h"
#define SALVIX_RAW_MAKE_FileRTFAnalyser &Make<FileRTFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileRTFAnalyser nullptr
#endif
#if __has_include("raw/FileSWFAnalyser.h")
#include "raw/FileSWFAnalyser.h"
#define SALVIX_RAW_MAKE_FileSWFAnalyser &Make<FileSWFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileSWFAnalyser nullptr
#endif
#if __has_include("raw/FileTARAnalyser.h")
#include "raw/FileTARAnalyser.h"
#define SALVIX_RAW_MAKE_FileTARAnalyser &Make<FileTARAnalyser>
#else
#define SALVIX_RAW_MAKE_FileTARAnalyser nullptr
#endif
#if __has_include("raw/FileTIFAnalyser.h")
#include "raw/FileTIFAnalyser.h"
#define SALVIX_RAW_MAKE_FileTIFAnalyser &Make<FileTIFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileTIFAnalyser nullptr
#endif
#if __has_include("raw/FileTTFAnalyser.h")
#include "raw/FileTTFAnalyser.h"
#define SALVIX_RAW_MAKE_FileTTFAnalyser &Make<FileTTFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileTTFAnalyser nullptr
#endif
#if __has_include("raw/FileUnicodeHTMAnalyser.h")
#include "raw/FileUnicodeHTMAnalyser.h"
#define SALVIX_RAW_MAKE_FileUnicodeHTMAnalyser &Make<FileUnicodeHTMAnalyser>
#else
#define SALVIX_RAW_MAKE_FileUnicodeHTMAnalyser nullptr
#endif
#if __has_include("raw/FileWMFAnalyser.h")
#include "raw/FileWMFAnalyser.h"
#define SALVIX_RAW_MAKE_FileWMFAnalyser &Make<FileWMFAnalyser>
#else
#define SALVIX_RAW_MAKE_FileWMFAnalyser nullptr
#endif
#if __has_include("raw/FileWPDAnalyser.h")
#include "raw/FileWPDAnalyser.h"
#define SALVIX_RAW_MAKE_FileWPDAnalyser &Make<FileWPDAnalyser>
#else
#define SALVIX_RAW_MAKE_FileWPDAnalyser nullptr
#endif
#if __has_include("raw/FileZIPAnalyser.h")
#include "raw/FileZIPAnalyser.h"
#define SALVIX_RAW_MAKE_FileZIPAnalyser &Make<FileZIPAnalyser>
#else
#define SALVIX_RAW_MAKE_FileZIPAnalyser nullptr
#endif
#if __has_include("raw/CustomFileAnalyser.h")
#include "raw/CustomFileAnalyser.h"
#define SALVIX_RAW_MAKE_CustomFileAnalyser &Make<CustomFileAnalyser>
#else
#define SALVIX_RAW_MAKE_CustomFileAnalyser nullptr
#endif

namespace {

struct ClassRow {
    const char* name;
    MakeFn make;
};

#define SALVIX_RAW_ROW(c)                                                                                              \
    ClassRow                                                                                                           \
    {                                                                                                                  \
#c, SALVIX_RAW_MAKE_##c                                                                                        \
    }
const std::array<ClassRow, kRawAnalyserClassCount> kClasses = {
    SALVIX_RAW_ROW(File3DSAnalyser),    SALVIX_RAW_ROW(File3GPAnalyser),        SALVIX_RAW_ROW(FileASFAnalyser),
    SALVIX_RAW_ROW(FileAUAnalyser),     SALVIX_RAW_ROW(FileBMPAnalyser),        SALVIX_RAW_ROW(FileCABAnalyser),
    SALVIX_RAW_ROW(FileCHMAnalyser),    SALVIX_RAW_ROW(FileCPTAnalyser),        SALVIX_RAW_ROW(FileCRWAnalyser),
    SALVIX_RAW_ROW(FileDBXAnalyser),    SALVIX_RAW_ROW(FileDWGAnalyser),        SALVIX_RAW_ROW(FileDXFAnalyser),
    SALVIX_RAW_ROW(FileEMFAnalyser),    SALVIX_RAW_ROW(FileEPSAnalyser),        SALVIX_RAW_ROW(FileFH11Analyser),
    SALVIX_RAW_ROW(FileGIFAnalyser),    SALVIX_RAW_ROW(FileGZAnalyser),         SALVIX_RAW_ROW(FileHLPAnalyser),
    SALVIX_RAW_ROW(FileHTMAnalyser),    SALVIX_RAW_ROW(FileICOAnalyser),        SALVIX_RAW_ROW(FileJPGAnalyser),
    SALVIX_RAW_ROW(FileLowDocAnalyser), SALVIX_RAW_ROW(FileLZHAnalyser),        SALVIX_RAW_ROW(FileMDBAnalyser),
    SALVIX_RAW_ROW(FileMIDAnalyser),    SALVIX_RAW_ROW(FileMNYAnalyser),        SALVIX_RAW_ROW(FileMOVAnalyser),
    SALVIX_RAW_ROW(FileMP3Analyser),    SALVIX_RAW_ROW(FileMP4Analyser),        SALVIX_RAW_ROW(FileOLEAnalyser),
    SALVIX_RAW_ROW(FileONEAnalyser),    SALVIX_RAW_ROW(FilePDFAnalyser),        SALVIX_RAW_ROW(FilePNGAnalyser),
    SALVIX_RAW_ROW(FilePSDAnalyser),    SALVIX_RAW_ROW(FilePSPAnalyser),        SALVIX_RAW_ROW(FilePSTAnalyser),
    SALVIX_RAW_ROW(FileRARAnalyser),    SALVIX_RAW_ROW(FileRIFFAnalyser),       SALVIX_RAW_ROW(FileRTFAnalyser),
    SALVIX_RAW_ROW(FileSWFAnalyser),    SALVIX_RAW_ROW(FileTARAnalyser),        SALVIX_RAW_ROW(FileTIFAnalyser),
    SALVIX_RAW_ROW(FileTTFAnalyser),    SALVIX_RAW_ROW(FileUnicodeHTMAnalyser), SALVIX_RAW_ROW(FileWMFAnalyser),
    SALVIX_RAW_ROW(FileWPDAnalyser),    SALVIX_RAW_ROW(FileZIPAnalyser),        SALVIX_RAW_ROW(CustomFileAnalyser),
};
#undef SALVIX_RAW_ROW

using C = RawAnalyserClass;

// The classes of one fixed RAW type id (1..73), in the order they are appended.
struct TypeRow {
    uint8_t count;
    C classes[2];
};

constexpr TypeRow One(C c)
{
    return {1, {c, c}};
}
constexpr TypeRow Two(C a, C b)
{
    return {2, {a, b}};
}
constexpr TypeRow kNone = {0, {C::CustomFileAnalyser, C::CustomFileAnalyser}};

// Access projects (3) are compound documents: the compound-document analyser alone recognises and measures
// them, so it serves that id.
const std::array<TypeRow, 74> kTypeRows = {
    kNone,                                              // 0: not a fixed type (handled before the table)
    One(C::File3DSAnalyser),                            // 1 3DS
    One(C::File3GPAnalyser),                            // 2 3GP
    One(C::FileOLEAnalyser),                            // 3 ADP
    One(C::FileRIFFAnalyser),                           // 4 ANI
    One(C::FilePDFAnalyser),                            // 5 AI
    One(C::FileASFAnalyser),                            // 6 ASF
    One(C::FileAUAnalyser),                             // 7 AU
    One(C::FileRIFFAnalyser),                           // 8 AVI
    One(C::FileBMPAnalyser),                            // 9 BMP
    One(C::FileCABAnalyser),                            // 10 CAB
    One(C::FileRIFFAnalyser),                           // 11 CDR
    One(C::FileCHMAnalyser),                            // 12 CHM
    One(C::FileRIFFAnalyser),                           // 13 CLK
    One(C::FileRIFFAnalyser),                           // 14 CMX
    One(C::FileCPTAnalyser),                            // 15 CPT
    One(C::FileCRWAnalyser),                            // 16 CRW
    One(C::FileRIFFAnalyser),                           // 17 CSL
    One(C::FileICOAnalyser),                            // 18 CUR
    One(C::FileDBXAnalyser),                            // 19 DBX
    kNone,                                              // 20 DLL
    Two(C::FileOLEAnalyser, C::FileLowDocAnalyser),     // 21 DOC
    One(C::FileDWGAnalyser),                            // 22 DWG
    One(C::FileDXFAnalyser),                            // 23 DXF
    One(C::FileEMFAnalyser),                            // 24 EMF
    One(C::FileEPSAnalyser),                            // 25 EPS
    kNone,                                              // 26 EXE
    One(C::FileFH11Analyser),                           // 27 FH11
    One(C::FileGIFAnalyser),                            // 28 GIF
    One(C::FileGZAnalyser),                             // 29 GZ
    One(C::FileHLPAnalyser),                            // 30 HLP
    Two(C::FileHTMAnalyser, C::FileUnicodeHTMAnalyser), // 31 HTM
    One(C::FileICOAnalyser),                            // 32 ICO
    One(C::FileJPGAnalyser),                            // 33 JPG
    One(C::FileLZHAnalyser),                            // 34 LZH
    One(C::FileOLEAnalyser),                            // 35 MAX
    One(C::FileMIDAnalyser),                            // 36 MID
    One(C::FileMDBAnalyser),                            // 37 MDB
    One(C::FileMNYAnalyser),                            // 38 MNY
    One(C::FileOLEAnalyser),                            // 39 MOF
    One(C::FileMOVAnalyser),                            // 40 MOV
    One(C::FileMP3Analyser),                            // 41 MP3
    One(C::FileMP4Analyser),                            // 42 MP4
    One(C::FileOLEAnalyser),                            // 43 MPP
    One(C::FileOLEAnalyser),                            // 44 OLE
    One(C::FileONEAnalyser),                            // 45 ONE
    One(C::FilePDFAnalyser),                            // 46 PDF
    One(C::FilePNGAnalyser),                            // 47 PNG
    One(C::FileOLEAnalyser),                            // 48 PPT
    One(C::FileOLEAnalyser),                            // 49 PUB
    One(C::FilePSDAnalyser),                            // 50 PSD
    One(C::FilePSPAnalyser),                            // 51 PSP
    One(C::FilePSTAnalyser),                            // 52 PST
    One(C::FileOLEAnalyser),                            // 53 QPW
    One(C::FileRARAnalyser),                            // 54 RAR
    One(C::FileRIFFAnalyser),                           // 55 RIFF
    One(C::FileRTFAnalyser),                            // 56 RTF
    Two(C::FileOLEAnalyser, C::FileWPDAnalyser),        // 57 SHW
    One(C::FileSWFAnalyser),                            // 58 SWF
    One(C::FileTARAnalyser),                            // 59 TAR
    One(C::FileTIFAnalyser),                            // 60 TIF
    One(C::FileTTFAnalyser),                            // 61 TTF
    One(C::FileOLEAnalyser),                            // 62 VSD
    One(C::FileRIFFAnalyser),                           // 63 WAV
    Two(C::FileOLEAnalyser, C::FileWPDAnalyser),        // 64 WPD
    Two(C::FileOLEAnalyser, C::FileWPDAnalyser),        // 65 WPG
    One(C::FileWMFAnalyser),                            // 66 WMF
    One(C::FileOLEAnalyser),                            // 67 XLS
    One(C::FileZIPAnalyser),                            // 68 ZIP
    One(C::FileZIPAnalyser),                            // 69 DOCX
    One(C::FileZIPAnalyser),                            // 70 XLSX
    One(C::FileZIPAnalyser),                            // 71 PPTX
    One(C::FileMDBAnalyser),                            // 72 ACCDB
    One(C::FileTIFAnalyser),                            // 73 NEF
};

const ClassRow& Row(RawAnalyserClass cls)
{
    return kClasses[static_cast<size_t>(cls)];
}

} // namespace

const char* GetRawAnalyserClassName(RawAnalyserClass cls)
{
    return Row(cls).name;
}

bool IsRawAnalyserClassBuilt(RawAnalyserClass cls)
{
    return Row(cls).make != nullptr;
}

std::unique_ptr<IRawFileAnalyser> CreateRawAnalyserOfClass(RawAnalyserClass cls)
{
    const MakeFn make = Row(cls).make;
    return make != nullptr ? make() : nullptr;
}

std::vector<RawAnalyserClass> GetRawAnalyserClassesForType(int typeId)
{
    if (typeId < 1 || typeId > 73) return {C::CustomFileAnalyser};
    const TypeRow& row = kTypeRows[static_cast<size_t>(typeId)];
    return std::vector<RawAnalyserClass>(row.classes, row.classes + row.count);
}

std::vector<std::string> MissingRawAnalyserClasses()
{
    std::vector<std::string> missing;
    for (const ClassRow& row : kClasses)
        if (row.make == nullptr) missing.emplace_back(row.name);
    return missing;
}

void BuildAllRawAnalysers(RawAnalyserList& list)
{
    for (size_t i = 0; i < kRawAnalyserClassCount; ++i)
        if (auto analyser = CreateRawAnalyserOfClass(static_cast<RawAnalyserClass>(i)))
            list.Append(std::move(analyser));
}

void CreateRawAnalysers(int typeId, RawAnalyserList& list)
{
    for (RawAnalyserClass cls : GetRawAnalyserClassesForType(typeId))
        if (auto analyser = CreateRawAnalyserOfClass(cls)) list.Append(std::move(analyser));
}
