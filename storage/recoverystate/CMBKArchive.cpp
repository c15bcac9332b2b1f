// Packing the state files into one container and unpacking them, checked before anything is replaced.
#include "storage/recoverystate/CMBKArchive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Crc.h"
#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "platform/FdIo.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "storage/recoverystate/StateTempFile.h"

namespace fs = std::filesystem;
using statefile::FileDescriptor;
using statefile::TemporaryFile;

namespace {

constexpr char kMagic[4] = {'C', 'M', 'B', 'K'};
constexpr size_t kChecksumAt = 4;

// Copies size bytes from `from` at offset `at` to `to` (when to >= 0) in pieces of at most 4096 bytes and
// adds each piece's CRC-32 to the sum. False when the source ends early or a transfer fails.
bool CopyPieces(int from, uint64_t at, uint64_t size, int to, uint32_t& sum)
{
    uint8_t piece[CMBKArchive::kPieceSize];
    for (uint64_t left = size; left > 0;) {
        const size_t n = size_t(std::min<uint64_t>(left, sizeof piece));
        const plat::FdTransfer got = plat::ReadFull(from, piece, n, int64_t(at));
        if (got.done != n) return false;
        if (to >= 0 && plat::WriteFull(to, piece, n).done != n) return false;
        sum += Crc32(piece, n, CMBKArchive::kCrcPolynomial);
        at += n;
        left -= n;
    }
    return true;
}

bool EndsWithRdf(const std::string& name)
{
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return tail == ".rdf";
}

} // namespace

CMBKArchive::CMBKArchive(bool scan, MessageSink sink) : m_sink(std::move(sink)), m_folder(plat::StateFolder())
{
    if (scan) ScanFolder(m_folder);
}

bool CMBKArchive::IsStateFileName(const std::string& name)
{
    if (name.empty() || name.size() >= kNameSize || name == "." || name == ".." || !EndsWithRdf(name)) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

bool CMBKArchive::ScanFolder(const fs::path& folder)
{
    m_folder = folder;
    m_entries.clear();
    m_totalSize = 0;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return false;
    for (const fs::directory_entry& file : it) {
        const std::string name = file.path().filename().string();
        // Links are not followed: only the folder's own files go into the container.
        if (!file.is_regular_file(error) || file.is_symlink(error) || !IsStateFileName(name)) continue;
        const uint64_t size = file.file_size(error);
        if (error) continue;
        m_entries.push_back({name, size, 0});
    }
    std::sort(m_entries.begin(), m_entries.end(), [](const MBKEntry& a, const MBKEntry& b) { return a.name < b.name; });
    uint64_t offset = BlockSize(m_entries.size());
    for (MBKEntry& entry : m_entries) {
        entry.offset = offset;
        offset += entry.size;
    }
    m_totalSize = offset;
    return true;
}

std::vector<uint8_t> CMBKArchive::EncodeBlock(const std::vector<MBKEntry>& entries, uint64_t totalSize,
                                              uint32_t checksum)
{
    std::vector<uint8_t> block(size_t(BlockSize(entries.size())), 0);
    bytes::ByteWriter w(block);
    w.copy(0, kMagic, sizeof kMagic);
    w.u32le(kChecksumAt, checksum);
    w.u32le(8, kVersion);
    w.u64le(16, totalSize);
    w.u64le(24, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t at = kHeadSize + i * kEntrySize;
        w.copy(at, entries[i].name.data(), std::min(entries[i].name.size(), kNameSize - 1));
        w.u64le(at + 264, entries[i].size);
        w.u64le(at + 272, entries[i].offset);
    }
    return block;
}

MBKBlock::Status CMBKArchive::DecodeBlock(std::span<const uint8_t> bytes, MBKBlock& block)
{
    block = MBKBlock{};
    bytes::ByteReader r(bytes);
    if (!r.has(0, BlockSize(0))) return MBKBlock::kShort;
    if (std::memcmp(r.span(0, 4).data(), kMagic, sizeof kMagic) != 0) return MBKBlock::kBadMagic;
    block.checksum = r.u32le(kChecksumAt);
    block.version = r.u32le(8);
    block.totalSize = r.u64le(16);
    const uint64_t count = r.u64le(24);
    if (count > kMaxEntries) return MBKBlock::kBadCount;
    const uint64_t dataStart = BlockSize(count);
    if (!r.has(0, dataStart)) return MBKBlock::kShort;
    std::set<std::string> names;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t at = kHeadSize + i * kEntrySize;
        const std::span<const uint8_t> field = r.span(at, kNameSize);
        const auto end = std::find(field.begin(), field.end(), uint8_t(0));
        if (end == field.end()) return MBKBlock::kBadEntry;
        MBKEntry entry;
        entry.name.assign(field.begin(), end);
        entry.size = r.u64le(at + 264);
        entry.offset = r.u64le(at + 272);
        // Compared against what remains, so that no sum can wrap.
        if (!IsStateFileName(entry.name) || !names.insert(entry.name).second || entry.offset < dataStart ||
            entry.offset > block.totalSize || entry.size > block.totalSize - entry.offset)
            return MBKBlock::kBadEntry;
        block.entries.push_back(std::move(entry));
    }
    return r ? MBKBlock::kOk : MBKBlock::kShort;
}

bool CMBKArchive::Pack(const char* path)
{
    if (!path || !*path) return false;
    if (m_entries.size() > kMaxEntries) {
        ReleaseTrace("Export: %zu state files, more than a container holds", m_entries.size());
        return false;
    }
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    TemporaryFile out(folder, target.filename().string());
    if (!out.IsOpen()) {
        ReleaseTrace("Export: cannot create a file beside %s (errno %d)", path, errno);
        return false;
    }
    std::vector<uint8_t> block = EncodeBlock(m_entries, m_totalSize, 0);
    uint32_t checksum = Crc32(block.data(), block.size(), kCrcPolynomial);
    if (plat::WriteFull(out.fd(), block.data(), block.size()).done != block.size()) return false;
    for (const MBKEntry& entry : m_entries) {
        const FileDescriptor in(::open((m_folder / entry.name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        struct stat st {};
        // The file must still hold the bytes listed: the offsets of every later file depend on it.
        if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            !CopyPieces(in.get(), 0, entry.size, out.fd(), checksum)) {
            ReleaseTrace("Export: %s cannot be read as listed (%llu bytes)", entry.name.c_str(),
                         static_cast<unsigned long long>(entry.size));
            return false;
        }
    }
    uint8_t stored[4];
    bytes::ByteWriter(stored).u32le(0, checksum);
    if (plat::WriteFull(out.fd(), stored, sizeof stored, kChecksumAt).done != sizeof stored) return false;
    (void)::fchmod(out.fd(), 0644);
    if (::fsync(out.fd()) != 0 || !out.Close() || !out.RenameTo(target)) {
        ReleaseTrace("Export: %s cannot be written (errno %d)", path, errno);
        return false;
    }
    return true;
}

bool CMBKArchive::Unpack(const char* path)
{
    if (!path || !*path) return false;
    const FileDescriptor in(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const uint64_t fileSize = uint64_t(st.st_size);

    // The block: first the part that holds the count, then the whole of it.
    std::vector<uint8_t> block(size_t(BlockSize(kMaxEntries)), 0);
    const size_t got = plat::ReadFull(in.get(), block.data(), block.size(), 0).done;
    block.resize(got);
    MBKBlock decoded;
    MBKBlock::Status status = DecodeBlock(block, decoded);
    if (status == MBKBlock::kOk) block.resize(size_t(BlockSize(decoded.entries.size())));
    if (status == MBKBlock::kOk && decoded.totalSize > fileSize) status = MBKBlock::kShort;
    if (status != MBKBlock::kOk) {
        ReleaseTrace("Import: %s is not a whole container (status %d)", path, int(status));
        Tell(kMismatchMessage);
        return false;
    }
    std::memset(block.data() + kChecksumAt, 0, 4);
    const uint32_t headSum = Crc32(block.data(), block.size(), kCrcPolynomial);

    // Every byte is checked before anything is written.
    uint32_t checksum = headSum;
    for (const MBKEntry& entry : decoded.entries) {
        if (!CopyPieces(in.get(), entry.offset, entry.size, -1, checksum)) {
            Tell(kMismatchMessage);
            return false;
        }
    }
    if (checksum != decoded.checksum) {
        ReleaseTrace("Import: %s checksum 0x%08x, stored 0x%08x", path, checksum, decoded.checksum);
        Tell(kMismatchMessage);
        return false;
    }

    // Then each file under a temporary name, checked again as it is copied, and all renamed at the end.
    std::vector<std::unique_ptr<TemporaryFile>> written;
    checksum = headSum;
    for (const MBKEntry& entry : decoded.entries) {
        auto out = std::make_unique<TemporaryFile>(m_folder, entry.name);
        if (!out->IsOpen() || !CopyPieces(in.get(), entry.offset, entry.size, out->fd(), checksum) ||
            ::fsync(out->fd()) != 0 || !out->Close()) {
            ReleaseTrace("Import: %s cannot be written in %s (errno %d)", entry.name.c_str(), m_folder.c_str(), errno);
            return false;
        }
        written.push_back(std::move(out));
    }
    if (checksum != decoded.checksum) {
        ReleaseTrace("Import: %s changed while it was read", path);
        Tell(kMismatchMessage);
        return false;
    }
    for (size_t i = 0; i < written.size(); ++i) {
        if (!written[i]->RenameTo(m_folder / decoded.entries[i].name)) {
            ReleaseTrace("Import: %s cannot be replaced (errno %d)", decoded.entries[i].name.c_str(), errno);
            return false;
        }
    }
    m_entries = decoded.entries;
    m_totalSize = decoded.totalSize;
    return true;
}
