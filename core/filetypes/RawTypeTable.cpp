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
    const char* name;
    const char* description;
    const char* extension;
};

// Names and descriptions are the program's own texts, kept exactly as they were first published.
constexpr FixedRow kFixedRows[kRawTypeLastFixed + 1] = {
    {"Raw", "Raw", ""},
    {"3DS", "3DS file", "3ds"},
    {"3GP", "3GP Multimedia file", "3gp"},
    {"ADP", "Access Project file", "adp"},
    {"ANI", "ANI file", "ani"},
    {"AI", "Adobe Illustrator file", "ai"},
    {"ASF", "Audio Streaming Format file", "asf"},
    {"AU", "AU file", "au"},
    {"AVI", "Audio Video Interleave file", "avi"},
    {"BMP", "Bitmap file", "bmp"},
    {"CAB", "Cabinet file", "cab"},
    {"CDR", "COREL Darw file", "cdr"},
    {"CHM", "CHM file", "chm"},
    {"CLK", "Corel Draw Corel RAVE Image file", "clk"},
    {"CMX", "Corel Draw Vector Image file", "cmx"},
    {"CPT", "Corel Photo Paint Image file", "cpt"},
    {"CRW", "Canon Raw graphics file", "crw"},
    {"CSL", "CSL file", "csl"},
    {"CUR", "Cursor file", "cur"},
    {"DBX", "Outlook Express Email file", "dbx"},
    {"DLL", "DLL file", "dll"},
    {"DOC", "Microsoft Word Document", "doc"},
    {"DWG", "AutoCAD Drawing file", "dwg"},
    {"DXF", "AutoCad DX File", "dxf"},
    {"EMF", "Enhanced Metafile", "emf"},
    {"EPS", "Encapsulated Postscript file", "eps"},
    {"EXE", "EXE file", "exe"},
    {"FH11", "Freehand 10 file", "fh11"},
    {"GIF", "GIF graphics file", "gif"},
    {"GZ", "GZIP compression file", "gz"},
    {"HLP", "Help file", "hlp"},
    {"HTM", "HTML Documents file", "htm"},
    {"ICO", "Icon file", "ico"},
    {"JPG", "JPEG Graphics file", "jpg"},
    {"LZH", "LZH compression file", "lzh"},
    {"MAX", "3d Studio Max file", "max"},
    {"MID", "Musical Instrument Digital Interface file", "mid"},
    {"MDB", "Access Database file", "mdb"},
    {"MNY", "Microsoft Money file", "mny"},
    {"MOF", "MOF file", "mof"},
    {"MOV", "MOV Multimedia file", "mov"},
    {"MP3", "MP3 Music file", "mp3"},
    {"MP4", "MP4 Multimedia file", "mp4"},
    {"MPP", "Microsoft Project file", "mpp"},
    {"OLE", "Compound file", "ole"},
    {"ONE", "Microsoft OneNote file", "one"},
    {"PDF", "Adobe Portable Document", "pdf"},
    {"PNG", "Portable Network Graphic file", "png"},
    {"PPT", "Microsoft PowerPoint Presentation file", "ppt"},
    {"PUB", "Microsoft Publisher Document", "pub"},
    {"PSD", "Adobe Photoshop file", "psd"},
    {"PSP", "Paint Shop Pro file", "psp"},
    {"PST", "Outlook Email file", "pst"},
    {"QPW", "QuattroPro 7 File", "qpw"},
    {"RAR", "RAR compression file", "rar"},
    {"RIFF", "RIFF Multimedia file", "riff"},
    {"RTF", "Rich Text Document", "rtf"},
    {"SHW", "Corel Presentation File", "shw"},
    {"SWF", "ShockWave Flash file", "swf"},
    {"TAR", "TAR archive file", "tar"},
    {"TIF", "Tagged Image File", "tif"},
    {"TTF", "True Type Font file", "ttf"},
    {"VSD", "Microsoft Visio Drawing", "vsd"},
    {"WAV", "WAVE Multimedia file", "wav"},
    {"WPD", "WordPerfect file", "wpd"},
    {"WPG", "WordPerfect Documents and Graphics v8", "wpg"},
    {"WMF", "WMF Multimedia file", "wmf"},
    {"XLS", "Microsoft Excel XML Documents", "xls"},
    {"ZIP", "Zip compression file", "zip"},
    {"DOCX", "Microsoft DOCX file", "docx"},
    {"XLSX", "Microsoft XLSX file", "xlsx"},
    {"PPTX", "Microsoft PPTX file", "pptx"},
    {"ACCDB", "Microsoft ACCDB file", "accdb"},
    {"NEF", "Nikon NEF file", "nef"},
};

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
