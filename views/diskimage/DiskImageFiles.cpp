// The file work of the disk-image wizards: free space, the target write test and slice-list checks.
#include "views/diskimage/DiskImageFiles.h"

#include "core/CFileHandle.h"
#include "core/bytes/ByteReader.h"
#include "storage/diskimage/CImageFile.h"
#include "storage/diskimage/ImageFileFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <fstream>
#include <mutex>

namespace diskimg {

namespace {

std::mutex s_probeLock;
std::function<int64_t(const std::string&)> s_probe;

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int64_t GetFreeSpaceMB(const std::string& folder)
{
    {
        std::lock_guard<std::mutex> guard(s_probeLock);
        if (s_probe) return s_probe(folder);
    }
    struct statvfs st {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &st) != 0) return 0;
    return int64_t(uint64_t(st.f_bavail) * uint64_t(st.f_frsize) / 1024 / 1024);
}

void SetFreeSpaceProbe(std::function<int64_t(const std::string&)> probe)
{
    std::lock_guard<std::mutex> guard(s_probeLock);
    s_probe = std::move(probe);
}

bool ProbeTargetFolder(const std::string& imagePath)
{
    const std::string folder = FolderOf(imagePath);
    std::string name = (folder.empty() ? std::string("./") : folder) + ".salvix-probe-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    std::array<char, 512> block{};
    const bool written = ::write(fd, block.data(), block.size()) == ssize_t(block.size());
    const bool closed = ::close(fd) == 0;
    ::unlink(name.c_str());
    return written && closed;
}

bool ImageFilesExist(const std::string& imagePath)
{
    return Exists(imagePath) || Exists(diskimage::MakeSliceListPath(imagePath));
}

SliceList SplitSliceList(std::string_view bytes)
{
    SliceList out;
    out.status = SliceList::Ok;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
        pos = next;
        // A full path of this system; anything else (an empty line, a relative or foreign path) is damage.
        if (line.empty() || line.front() != '/' || line.size() > CImageFile::kMaxListLine ||
            line.find('\0') != std::string_view::npos || out.paths.size() == kMaxSliceListLines) {
            out.status = SliceList::Malformed;
            out.paths.clear();
            return out;
        }
        out.paths.emplace_back(line);
    }
    return out;
}

SliceList ReadSliceList(const std::string& listPath)
{
    CFileHandle list(listPath.c_str(), CFileHandle::kRead);
    SliceList out;
    uint64_t size = 0;
    if (!list.IsOpen() || !list.GetSize(size)) return out;
    // Longer than the longest list of well-formed lines: refused before it is read.
    if (size > kMaxSliceListLines * (CImageFile::kMaxListLine + 2)) {
        out.status = SliceList::Malformed;
        return out;
    }
    std::string bytes(size_t(size), '\0');
    bytes.resize(list.Read(bytes.data(), uint32_t(bytes.size())));
    return SplitSliceList(bytes);
}

bool SliceOpens(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    CFileHandle slice(path.c_str(), CFileHandle::kRead);
    return slice.IsOpen();
}

SliceNeeds ReadSliceNeeds(const std::string& imagePath)
{
    SliceNeeds needs;
    CImageFile image(imagePath);
    diskimage::ImageHeader header;
    if (!image.Open(CFileHandle::kRead) || !image.ReadHeader(header)) {
        needs.why = "the image file cannot be read";
        return needs;
    }
    needs.why = diskimage::CheckImageHeader(header);
    if (!needs.why.empty()) return needs;
    uint64_t firstBlock = 0;
    for (uint32_t s = 0; s < header.sliceCount; ++s) {
        const uint32_t blocks = header.sliceBlocks[s];
        uint64_t need = diskimage::kSliceHead;
        if (blocks > 0) {
            uint8_t word[4];
            if (!image.ReadAt(word, diskimage::kHeaderSize + 4 * (firstBlock + blocks - 1), 4,
                              CImageFile::kImageFile)) {
                needs.why = "the block index is cut short";
                return needs;
            }
            need += bytes::ByteReader(word, sizeof word).u32le(0);
        }
        needs.minBytes.push_back(need);
        firstBlock += blocks;
    }
    needs.ok = true;
    return needs;
}

std::string CheckSliceTable(const SliceNeeds& needs, const std::vector<std::string>& paths)
{
    if (!needs.ok) return needs.why;
    if (paths.size() != needs.minBytes.size())
        return "the image has " + std::to_string(needs.minBytes.size()) + " slices, the list names " +
               std::to_string(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        struct stat st {};
        if (!SliceOpens(paths[i]) || ::stat(paths[i].c_str(), &st) != 0)
            return "slice " + std::to_string(i) + " (" + paths[i] + ") cannot be opened";
        if (uint64_t(st.st_size) < needs.minBytes[i])
            return "slice " + std::to_string(i) + " (" + paths[i] + ") is shorter than its blocks";
    }
    return {};
}

bool IsRawImageCandidate(const std::string& path)
{
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    // The files of our own images (whatever the case of their names) are no raw image.
    if (ext == ".kxp" || ext == ".kxf" || ext == ".kxi") return false;
    std::ifstream in(path, std::ios::binary);
    char sector[512];
    return in && in.read(sector, sizeof sector) && in.gcount() == std::streamsize(sizeof sector);
}

} // namespace diskimg
