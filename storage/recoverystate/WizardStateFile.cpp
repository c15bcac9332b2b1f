// Wizard-state files: names, status, the controller chain, and writing a file so that a broken save never
// leaves a file that a later start takes for a good one.
#include "storage/recoverystate/WizardStateFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "core/rsdata/CRSException.h"
#include "core/rsdata/IRSData.h"
#include "core/rsdata/RSGuid.h"
#include "platform/FdIo.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/StateTempFile.h"

namespace fs = std::filesystem;

namespace {

bool IsValidStatus(int status)
{
    return status >= 1 && status <= 4;
}

// The controller a valid status names as current.
int CurrentTypeOfStatus(int status)
{
    switch (status) {
    case 1: return kStateCompleteScan;
    case 2: return kStateFileSelect;
    case 3: return kStateLostPartition;
    case 4: return kStateLostScan;
    default: return kStateNotSaved;
    }
}

std::vector<int> Bounded(const std::vector<int>& chain, int status)
{
    const int bound = WizardStateRestoreBound(status);
    std::vector<int> out;
    for (int type : chain)
        if (type != kStateNotSaved && type <= bound) out.push_back(type);
    return out;
}

// The folder's entry is made durable too, so that a rename survives a power loss.
bool SyncFolderOf(const std::string& path)
{
    const std::string folder = fs::path(path).parent_path().string();
    const statefile::FileDescriptor dir(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.get() >= 0 && ::fsync(dir.get()) == 0;
}

bool SyncFile(const std::string& path)
{
    const statefile::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string NameOf(const std::string& path)
{
    return fs::path(path).filename().string();
}
fs::path FolderOf(const std::string& path)
{
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// Temporary files of this name left by a save that was killed (one instance runs at a time, so no other
// save is writing them).
void RemoveStaleTemporaries(const std::string& path)
{
    const std::string prefix = "." + NameOf(path) + ".";
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(FolderOf(path), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.is_regular_file(ec))
            ::unlink(entry.path().c_str());
    }
}

// CRC-32 of length bytes of the file from offset 132; false when they cannot all be read.
bool BodyCrc(const std::string& path, uint64_t length, uint32_t& crc)
{
    const statefile::FileDescriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return false;
    uLong sum = crc32(0L, Z_NULL, 0);
    uint8_t piece[65536];
    uint64_t at = RSHeader::kSize;
    while (length > 0) {
        const size_t want = length < sizeof piece ? size_t(length) : sizeof piece;
        const plat::FdTransfer got = plat::ReadFull(in.get(), piece, want, int64_t(at));
        if (got.done != want) return false;
        sum = crc32(sum, piece, uInt(want));
        at += want;
        length -= want;
    }
    crc = uint32_t(sum);
    return true;
}

// Appends the body check over everything written so far; errors pass as CRSException.
bool WriteBodyCheck(IRSData* stream, const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || uint64_t(st.st_size) < RSHeader::kSize) return false;
    const uint64_t length = uint64_t(st.st_size) - RSHeader::kSize;
    uint32_t crc = 0;
    if (!BodyCrc(path, length, crc)) return false;
    stream->BeginSection(kRSWizardStateCheckGuid);
    RSWriteValue<uint64_t>(stream, length);
    RSWriteValue<uint32_t>(stream, crc);
    stream->EndSection();
    return true;
}

} // namespace

bool CheckWizardStateBody(const std::string& path)
{
    CRSDataEx reader(CRSData::kModeRead);
    if (!reader.Open(path.c_str(), false)) return false;
    uint64_t length = 0;
    uint32_t stored = 0;
    try {
        reader.BeginSection(kRSWizardStateCheckGuid);
        length = RSReadValue<uint64_t>(&reader);
        stored = RSReadValue<uint32_t>(&reader);
        reader.EndSection();
    } catch (const IRSException& e) {
        if (e.GetCode() == RS_ERROR_SECTION_NOT_FOUND) return true;
        ReleaseTrace("Wizard state %s: body check unreadable, code %d", path.c_str(), e.GetCode());
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || uint64_t(st.st_size) < RSHeader::kSize ||
        length > uint64_t(st.st_size) - RSHeader::kSize)
        return false;
    uint32_t crc = 0;
    if (!BodyCrc(path, length, crc) || crc != stored) {
        ReleaseTrace("Wizard state %s: the %llu bytes after the header do not match their check", path.c_str(),
                     (unsigned long long)length);
        return false;
    }
    return true;
}

bool GetRecoveryStatePathsIn(const std::string& folder, int scanKind, WizardStatePaths& out)
{
    if (folder.empty()) return false;
    const fs::path dir(folder);
    switch (scanKind) {
    case 1:
        out.working = (dir / "cstemp.rdf").string();
        out.last = (dir / "cslast.rdf").string();
        return true;
    case 2:
        out.working = (dir / "lpstemp.rdf").string();
        out.last = (dir / "lpslast.rdf").string();
        return true;
    default: return false;
    }
}

bool GetRecoveryStatePaths(int scanKind, WizardStatePaths& out)
{
    if (scanKind != 1 && scanKind != 2) return false;
    return GetRecoveryStatePathsIn(plat::StateFolder().string(), scanKind, out);
}

int WizardStateStatus(int controllerType)
{
    switch (controllerType) {
    case kStateCompleteScan: return 1;
    case kStateFileSelect: return 2;
    case kStateLostPartition: return 3;
    case kStateLostScan: return 4;
    default: return 0;
    }
}

int WizardStateRestoreBound(int status)
{
    switch (status) {
    case 1: return kStateCompleteScan;
    case 2: return kStateFileSelect;
    case 3: return kStateLostPartition;
    case 4: return kStateLostScan;
    default: return kStateNotSaved;
    }
}

bool IsAcceptedControllerChain(const std::vector<int>& chain, int status)
{
    if (chain.empty()) return false;
    bool format;
    if (chain.front() == kStateCompleteDevice)
        format = true;
    else if (chain.front() == kStateLostDisk)
        format = false;
    else
        return false;
    for (size_t i = 1; i < chain.size(); ++i) {
        const int type = chain[i];
        const bool inMode = format
                                ? (type == kStateCompleteScan || type == kStateFileSelect)
                                : (type == kStateLostPartition || type == kStateLostScan || type == kStateFileSelect);
        if (!inMode || type <= chain[i - 1]) return false;
    }
    return !IsValidStatus(status) || chain.back() == CurrentTypeOfStatus(status);
}

void WriteControllerChain(IRSData* stream, const std::vector<int>& chain)
{
    stream->BeginSection(kRSControllerChainGuid);
    RSWriteValue<uint32_t>(stream, uint32_t(chain.size()));
    for (int type : chain) RSWriteValue<uint32_t>(stream, uint32_t(type));
    stream->EndSection();
}

std::vector<int> ReadControllerChain(IRSData* stream, int status)
{
    stream->BeginSection(kRSControllerChainGuid);
    const uint32_t count = RSReadValue<uint32_t>(stream);
    if (count > kMaxChainEntries) throw CRSException(RS_ERROR_BAD_LENGTH);
    std::vector<int> stored;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t type = RSReadValue<uint32_t>(stream);
        if (type > kStateNotSaved) throw CRSException(RS_ERROR_BAD_LENGTH);
        stored.push_back(int(type));
    }
    stream->EndSection();
    std::vector<int> chain = Bounded(stored, status);
    if (!IsAcceptedControllerChain(chain, status)) throw CRSException(RS_ERROR_BAD_LENGTH);
    return chain;
}

bool WriteWizardStateTitle(IRSData* stream, const char* text)
{
    if (!stream || !text) return false;
    size_t length = std::strlen(text);
    if (length > size_t(kMaxResultInfoBytes)) {
        length = kMaxResultInfoBytes;
        // Back to the first byte of a UTF-8 sequence, so no character is cut in half.
        while (length > 0 && (uint8_t(text[length]) & 0xC0) == 0x80) --length;
    }
    const std::string cut(text, length);
    return stream->WriteTitle(cut.c_str());
}

bool WriteWizardStateFile(const std::string& path, int status, const std::vector<int>& chain,
                          const WizardStateSections& sections, IRSData* writer)
{
    const std::vector<int> bounded = Bounded(chain, status);
    if (path.empty() || !IsAcceptedControllerChain(bounded, status)) {
        ReleaseTrace("Wizard state %s: the chain of %zu controllers does not fit status %d", path.c_str(), chain.size(),
                     status);
        return false;
    }
    RemoveStaleTemporaries(path);
    statefile::TemporaryFile temporary(FolderOf(path), NameOf(path));
    if (!temporary.IsOpen()) {
        ReleaseTrace("Wizard state %s: no temporary file beside it (errno %d)", path.c_str(), errno);
        return false;
    }
    std::unique_ptr<IRSData> own;
    if (!writer) {
        own = std::make_unique<CRSDataEx>(CRSData::kModeWrite);
        writer = own.get();
    }
    bool written = false;
    try {
        RSHeader header;
        header.kind = 0;
        // The header first with no status: until the end the file is not valid, whatever happens.
        if (writer->Open(temporary.path().c_str(), true) && writer->WriteHeader(&header)) {
            WriteControllerChain(writer, chain);
            if (!sections || sections(writer)) {
                writer->EndSection();
                written = WriteBodyCheck(writer, temporary.path()) && writer->SetKind(status);
            }
        }
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        written = false;
    }
    writer->Close();
    if (!written) {
        ReleaseTrace("Wizard state %s: not saved", path.c_str());
        return false;
    }

    // Read back what a later start relies on before the file takes the real name.
    CRSDataEx reader(CRSData::kModeRead);
    bool readable = reader.Open(temporary.path().c_str(), false) && (!IsValidStatus(status) || reader.IsValidFile());
    if (readable) {
        try {
            readable = ReadControllerChain(&reader, status) == bounded;
        } catch (const IRSException& e) {
            ReleaseTrace("RS Exception:%d", e.GetCode());
            readable = false;
        }
    }
    reader.Close();
    readable = readable && CheckWizardStateBody(temporary.path());
    if (!readable || ::fsync(temporary.fd()) != 0 || !temporary.Close() || !temporary.RenameTo(path)) {
        ReleaseTrace("Wizard state %s: the written file cannot be kept (errno %d)", path.c_str(), errno);
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool SetWizardStateStatus(const std::string& path, int status)
{
    // Only an existing, whole file: a missing one is not created, a damaged header not made valid again.
    if (!IsRegularFile(path)) return false;
    int stored = IsValidStatus(status) ? status : 0;
    {
        CRSDataEx reader(CRSData::kModeRead);
        if (!reader.Open(path.c_str(), false)) return false;
        if (stored != 0) {
            try {
                ReadControllerChain(&reader, stored);
            } catch (const IRSException&) {
                stored = 0;
            }
        }
    }
    CRSDataEx writer(CRSData::kModeWrite);
    bool done = false;
    try {
        done = writer.Open(path.c_str(), false) && writer.SetKind(stored);
    } catch (const IRSException& e) {
        ReleaseTrace("Failed to set current controller status! Error code:%d.", e.GetCode());
        done = false;
    }
    writer.Close();
    return done && SyncFile(path);
}

bool IsCompleteWizardStateFile(const std::string& path)
{
    if (!IsRegularFile(path)) return false;
    CRSDataEx reader(CRSData::kModeRead);
    if (!reader.Open(path.c_str(), false) || !reader.IsValidFile()) return false;
    try {
        ReadControllerChain(&reader, reader.GetKind());
    } catch (const IRSException& e) {
        ReleaseTrace("Wizard state %s: chain unreadable, code %d", path.c_str(), e.GetCode());
        return false;
    }
    reader.Close();
    return CheckWizardStateBody(path);
}

bool PromoteWizardStateFile(const WizardStatePaths& paths)
{
    if (!IsCompleteWizardStateFile(paths.working)) return true;
    if (::rename(paths.working.c_str(), paths.last.c_str()) != 0) {
        ReleaseTrace("Failed to repalce file, Error code:%d", errno);
        return false;
    }
    SyncFolderOf(paths.last);
    return true;
}

bool CopyWizardStateFile(const std::string& from, const std::string& to)
{
    const statefile::FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) return false;
    statefile::TemporaryFile out(FolderOf(to), NameOf(to));
    if (!out.IsOpen()) return false;
    uint8_t piece[65536];
    for (;;) {
        const plat::FdTransfer got = plat::ReadFull(in.get(), piece, sizeof piece);
        if (got.error != 0) return false;
        if (got.done == 0) break;
        if (plat::WriteFull(out.fd(), piece, got.done).done != got.done) return false;
        if (got.done < sizeof piece) break;
    }
    if (::fsync(out.fd()) != 0 || !out.Close() || !out.RenameTo(to)) {
        ReleaseTrace("Wizard state %s cannot be copied to %s (errno %d)", from.c_str(), to.c_str(), errno);
        return false;
    }
    SyncFolderOf(to);
    return true;
}

bool ReadWizardStateTitle(const std::string& path, char* buffer, int size)
{
    if (!buffer || size < 1 || !IsRegularFile(path)) return false;
    CRSDataEx reader(CRSData::kModeRead);
    if (!reader.Open(path.c_str(), false)) return false;
    try {
        return reader.IsValidFile() && reader.ReadTitle(buffer, size);
    } catch (const IRSException& e) {
        ReleaseTrace("Failed to get reuslt info, Error code:%d", e.GetCode());
        return false;
    }
}
