// The RAW type table. Rows 0..73 are fixed; rows 1000..1999 are claimed once each and published
// through an atomic flag, so readers on other threads never see a half-written name.
#include "core/filetypes/RawTypeTable.h"

#include "core/filetypes/FixedText.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string_view>

namespace {

struct FixedRow {
    int id;
    const char* name;
    const char* description;
    const char* extension;       // the usual one, for the type's icon
    const char* otherExtensions; // further ones in common use, separated by spaces
};

// Names and descriptions are the program's own texts, kept exactly as they were first published.
constexpr FixedRow kFixedRows[kRawTypeLastFixed + 1] = {
    {RawType::kRaw, "Raw", "Raw", "", ""},
    {RawType::k3DS, "3DS", "3DS file", "3ds", ""},
    {RawType::k3GP, "3GP", "3GP Multimedia file", "3gp", "3g2 3gpp 3gp2"},
    {RawType::kADP, "ADP", "Access Project file", "adp", ""},
    {RawType::kANI, "ANI", "ANI file", "ani", ""},
    {RawType::kAI, "AI", "Adobe Illustrator file", "ai", ""},
    {RawType::kASF, "ASF", "Audio Streaming Format file", "asf", "wma wmv"},
    {RawType::kAU, "AU", "AU file", "au", "snd"},
    {RawType::kAVI, "AVI", "Audio Video Interleave file", "avi", ""},
    {RawType::kBMP, "BMP", "Bitmap file", "bmp", "dib"},
    {RawType::kCAB, "CAB", "Cabinet file", "cab", ""},
    {RawType::kCDR, "CDR", "COREL Darw file", "cdr", ""},
    {RawType::kCHM, "CHM", "CHM file", "chm", ""},
    {RawType::kCLK, "CLK", "Corel Draw Corel RAVE Image file", "clk", ""},
    {RawType::kCMX, "CMX", "Corel Draw Vector Image file", "cmx", ""},
    {RawType::kCPT, "CPT", "Corel Photo Paint Image file", "cpt", ""},
    {RawType::kCRW, "CRW", "Canon Raw graphics file", "crw", ""},
    {RawType::kCSL, "CSL", "CSL file", "csl", ""},
    {RawType::kCUR, "CUR", "Cursor file", "cur", ""},
    {RawType::kDBX, "DBX", "Outlook Express Email file", "dbx", ""},
    {RawType::kDLL, "DLL", "DLL file", "dll", "ocx cpl"},
    {RawType::kDOC, "DOC", "Microsoft Word Document", "doc", "dot"},
    {RawType::kDWG, "DWG", "AutoCAD Drawing file", "dwg", ""},
    {RawType::kDXF, "DXF", "AutoCad DX File", "dxf", ""},
    {RawType::kEMF, "EMF", "Enhanced Metafile", "emf", ""},
    {RawType::kEPS, "EPS", "Encapsulated Postscript file", "eps", "epsf epsi"},
    {RawType::kEXE, "EXE", "EXE file", "exe", "scr"},
    {RawType::kFH11, "FH11", "Freehand 10 file", "fh11", ""},
    {RawType::kGIF, "GIF", "GIF graphics file", "gif", ""},
    {RawType::kGZ, "GZ", "GZIP compression file", "gz", "tgz"},
    {RawType::kHLP, "HLP", "Help file", "hlp", ""},
    {RawType::kHTM, "HTM", "HTML Documents file", "htm", "html xhtml xht shtml"},
    {RawType::kICO, "ICO", "Icon file", "ico", ""},
    {RawType::kJPG, "JPG", "JPEG Graphics file", "jpg", "jpeg jpe jfif"},
    {RawType::kLZH, "LZH", "LZH compression file", "lzh", "lha"},
    {RawType::kMAX, "MAX", "3d Studio Max file", "max", ""},
    {RawType::kMID, "MID", "Musical Instrument Digital Interface file", "mid", "midi kar"},
    {RawType::kMDB, "MDB", "Access Database file", "mdb", "mde"},
    {RawType::kMNY, "MNY", "Microsoft Money file", "mny", ""},
    {RawType::kMOF, "MOF", "MOF file", "mof", ""},
    {RawType::kMOV, "MOV", "MOV Multimedia file", "mov", "qt"},
    {RawType::kMP3, "MP3", "MP3 Music file", "mp3", ""},
    {RawType::kMP4, "MP4", "MP4 Multimedia file", "mp4", "m4a m4v"},
    {RawType::kMPP, "MPP", "Microsoft Project file", "mpp", "mpt"},
    {RawType::kOLE, "OLE", "Compound file", "ole", ""},
    {RawType::kONE, "ONE", "Microsoft OneNote file", "one", ""},
    {RawType::kPDF, "PDF", "Adobe Portable Document", "pdf", ""},
    {RawType::kPNG, "PNG", "Portable Network Graphic file", "png", ""},
    {RawType::kPPT, "PPT", "Microsoft PowerPoint Presentation file", "ppt", "pps pot"},
    {RawType::kPUB, "PUB", "Microsoft Publisher Document", "pub", ""},
    {RawType::kPSD, "PSD", "Adobe Photoshop file", "psd", "psb"},
    {RawType::kPSP, "PSP", "Paint Shop Pro file", "psp", ""},
    {RawType::kPST, "PST", "Outlook Email file", "pst", "ost"},
    {RawType::kQPW, "QPW", "QuattroPro 7 File", "qpw", "wb3"},
    {RawType::kRAR, "RAR", "RAR compression file", "rar", ""},
    {RawType::kRIFF, "RIFF", "RIFF Multimedia file", "riff", "rif"},
    {RawType::kRTF, "RTF", "Rich Text Document", "rtf", ""},
    {RawType::kSHW, "SHW", "Corel Presentation File", "shw", ""},
    {RawType::kSWF, "SWF", "ShockWave Flash file", "swf", ""},
    {RawType::kTAR, "TAR", "TAR archive file", "tar", ""},
    {RawType::kTIF, "TIF", "Tagged Image File", "tif", "tiff"},
    {RawType::kTTF, "TTF", "True Type Font file", "ttf", ""},
    {RawType::kVSD, "VSD", "Microsoft Visio Drawing", "vsd", "vss vst"},
    {RawType::kWAV, "WAV", "WAVE Multimedia file", "wav", "wave"},
    {RawType::kWPD, "WPD", "WordPerfect file", "wpd", "wp wp5 wp6"},
    {RawType::kWPG, "WPG", "WordPerfect Documents and Graphics v8", "wpg", ""},
    {RawType::kWMF, "WMF", "WMF Multimedia file", "wmf", ""},
    {RawType::kXLS, "XLS", "Microsoft Excel XML Documents", "xls", "xlt"},
    {RawType::kZIP, "ZIP", "Zip compression file", "zip", ""},
    {RawType::kDOCX, "DOCX", "Microsoft DOCX file", "docx", "docm dotx dotm"},
    {RawType::kXLSX, "XLSX", "Microsoft XLSX file", "xlsx", "xlsm xltx xltm"},
    {RawType::kPPTX, "PPTX", "Microsoft PPTX file", "pptx", "pptm ppsx potx"},
    {RawType::kACCDB, "ACCDB", "Microsoft ACCDB file", "accdb", "accde"},
    {RawType::kNEF, "NEF", "Nikon NEF file", "nef", ""},
};

// A row out of place would give a type the name of its neighbour.
constexpr bool RowsInIdOrder()
{
    for (int i = 0; i <= kRawTypeLastFixed; ++i)
        if (kFixedRows[i].id != i) return false;
    return true;
}
static_assert(RowsInIdOrder(), "kFixedRows must list the types in the order of their RawType ids");

constexpr int kCustomCount = kRawTypeLastCustom - kRawTypeFirstCustom + 1;

struct CustomRow {
    char name[kRawTypeNameSize] = {};
    std::atomic<bool> published{false};
};

struct CustomRows {
    std::mutex claimLock; // serialises claims; readers go through the published flags only
    CustomRow rows[kCustomCount];
};

CustomRows& Custom()
{
    static CustomRows rows;
    return rows;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

const char* GetRawTypeName(int id)
{
    if (id >= 0 && id <= kRawTypeLastFixed) return kFixedRows[id].name;
    if (id >= kRawTypeFirstCustom && id <= kRawTypeLastCustom) {
        const CustomRow& row = Custom().rows[id - kRawTypeFirstCustom];
        if (row.published.load(std::memory_order_acquire)) return row.name;
    }
    return "";
}

const char* GetRawTypeDescription(int id)
{
    if (id >= 0 && id <= kRawTypeLastFixed) return kFixedRows[id].description;
    return "";
}

const char* GetRawTypeFileExtension(int id)
{
    if (id >= kRawTypeFirstFixed && id <= kRawTypeLastFixed) return kFixedRows[id].extension;
    return "";
}

std::vector<std::string_view> GetRawTypeFileExtensions(int id)
{
    std::vector<std::string_view> out;
    if (id < kRawTypeFirstFixed || id > kRawTypeLastFixed) return out;
    out.emplace_back(kFixedRows[id].extension);
    std::string_view rest(kFixedRows[id].otherExtensions);
    while (!rest.empty()) {
        const size_t space = rest.find(' ');
        const std::string_view one = rest.substr(0, space);
        if (!one.empty()) out.push_back(one);
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
    return out;
}

int ClaimCustomRawType(const char* extension)
{
    if (extension == nullptr || *extension == '\0') return 0;
    // Compare in the stored (cut) form, so a long extension seen twice claims one row, not two.
    std::string_view ext(extension);
    ext = ext.substr(0, Utf8PrefixLength(ext, kRawTypeNameSize - 1));
    if (ext.empty()) return 0;

    CustomRows& custom = Custom();
    std::lock_guard<std::mutex> hold(custom.claimLock);
    int firstEmpty = -1;
    for (int i = 0; i < kCustomCount; ++i) {
        CustomRow& row = custom.rows[i];
        if (!row.published.load(std::memory_order_relaxed)) {
            if (firstEmpty < 0) firstEmpty = i;
            continue;
        }
        if (EqualsNoCase(row.name, ext)) return kRawTypeFirstCustom + i;
    }
    if (firstEmpty < 0) return 0;
    CustomRow& row = custom.rows[firstEmpty];
    CopyFixedText(row.name, ext);
    row.published.store(true, std::memory_order_release);
    return kRawTypeFirstCustom + firstEmpty;
}

std::vector<int> GetCustomRawTypeIds()
{
    std::vector<int> ids;
    const CustomRows& custom = Custom();
    for (int i = 0; i < kCustomCount; ++i)
        if (custom.rows[i].published.load(std::memory_order_acquire)) ids.push_back(kRawTypeFirstCustom + i);
    return ids;
}

void ResetCustomRawTypesForTest()
{
    CustomRows& custom = Custom();
    std::lock_guard<std::mutex> hold(custom.claimLock);
    for (CustomRow& row : custom.rows) {
        row.published.store(false, std::memory_order_relaxed);
        std::memset(row.name, 0, sizeof row.name);
    }
}
