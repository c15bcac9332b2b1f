// The file work of the disk-image wizards that needs no window: the free space and write test of a
// target folder, and the check of an image's slice list against its header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace diskimg {

// The folder part of a path, up to and including its last '/'; empty when it has none.
std::string FolderOf(const std::string& path);

// Free megabytes (free bytes / 1024 / 1024) of the volume holding folder ("" is the working folder); 0 when
// it cannot be asked. Tests replace the measure with SetFreeSpaceProbe (an empty function restores it).
int64_t GetFreeSpaceMB(const std::string& folder);
void SetFreeSpaceProbe(std::function<int64_t(const std::string& folder)> probe);

// Whether a new file can be written in the image path's folder: a fresh, uniquely named file is created
// there, one 512-byte block written, and the file removed. Nothing that exists is opened or touched.
bool ProbeTargetFolder(const std::string& imagePath);
// Whether the image file or its slice list already exists (the user is asked before they are replaced).
bool ImageFilesExist(const std::string& imagePath);

// Slice lists longer than this many lines are damage, not an image of ours.
constexpr size_t kMaxSliceListLines = 1024;

struct SliceList {
    enum Status { Ok, Missing, Malformed };
    Status status = Missing;
    std::vector<std::string> paths;
};
// Lines of a slice list, each without its line end (CR and LF only). Malformed: a line that is not an
// absolute path, longer than the image reader takes, or more lines than kMaxSliceListLines.
SliceList SplitSliceList(std::string_view bytes);
SliceList ReadSliceList(const std::string& listPath);

// Whether a slice file can be opened for reading.
bool SliceOpens(const std::string& path);

// What an image's header asks of its slices: how many, and how long each file must be at least.
struct SliceNeeds {
    bool ok = false;
    std::string why;                // when not ok
    std::vector<uint64_t> minBytes; // one per slice of the header
};
SliceNeeds ReadSliceNeeds(const std::string& imagePath);
// Empty when paths name exactly the header's slices, each readable and long enough; else why not.
std::string CheckSliceTable(const SliceNeeds& needs, const std::vector<std::string>& paths);

// Whether a file that is no image of ours is taken for a raw sector image: a readable regular file (or block
// device) of at least one 512-byte sector whose name does not end in .kxi, .kxp or .kxf (in any case).
bool IsRawImageCandidate(const std::string& path);

} // namespace diskimg
