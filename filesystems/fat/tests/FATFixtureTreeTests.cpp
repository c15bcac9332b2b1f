// End to end on the images made by tests/fixtures/make_fat_images.sh: the tree of each FAT width, every file
// read back through its runs and compared with the manifest (bytes, size, time, deleted state, names).
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/fat/CFATFileProperties.h"

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Clock.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ManifestLine {
    bool deleted = false;
    std::string path; // folders end in '/'
    uint64_t size = 0;
    std::string sha256;
    std::string mtime;
    bool exact = false;
};

struct Fixture {
    std::vector<ManifestLine> lines;
    std::vector<uint8_t> image;
};

std::string FixturePath(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

Fixture LoadFixture(int width)
{
    Fixture f;
    std::ifstream manifest(FixturePath("fat" + std::to_string(width) + ".manifest"));
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        ManifestLine m;
        std::string state, size, exact;
        std::getline(in, state, '\t');
        std::getline(in, m.path, '\t');
        std::getline(in, size, '\t');
        std::getline(in, m.sha256, '\t');
        std::getline(in, m.mtime, '\t');
        std::getline(in, exact, '\t');
        m.deleted = state == "deleted";
        m.size = size == "-" ? 0 : std::stoull(size);
        m.exact = exact == "1";
        f.lines.push_back(m);
    }
    testsupport::TempDir dir;
    const std::string out = (dir / "image").string();
    const std::string cmd = "xz -dc '" + FixturePath("fat" + std::to_string(width) + ".img.xz") + "' > '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return f;
    std::ifstream image(out, std::ios::binary | std::ios::ate);
    f.image.resize(size_t(image.tellg()));
    image.seekg(0);
    image.read(reinterpret_cast<char*>(f.image.data()), std::streamsize(f.image.size()));
    return f;
}

// Each image is unpacked once per run.
const Fixture& GetFixture(int width)
{
    static std::map<int, Fixture> cache;
    auto found = cache.find(width);
    if (found == cache.end()) found = cache.emplace(width, LoadFixture(width)).first;
    return found->second;
}

// SHA-256, enough for comparing fixture contents.
std::string Sha256(const std::vector<uint8_t>& data)
{
    static const uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::vector<uint8_t> m = data;
    const uint64_t bits = uint64_t(data.size()) * 8;
    m.push_back(0x80);
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 7; i >= 0; --i) m.push_back(uint8_t(bits >> (8 * i)));
    auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    for (size_t off = 0; off < m.size(); off += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(m[off + 4 * i]) << 24 | uint32_t(m[off + 4 * i + 1]) << 16 |
                   uint32_t(m[off + 4 * i + 2]) << 8 | m[off + 4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
        h[5] += f;
        h[6] += g;
        h[7] += hh;
    }
    char out[65];
    for (int i = 0; i < 8; ++i) std::snprintf(out + 8 * i, 9, "%08x", h[i]);
    return out;
}

uint64_t ManifestTime(const std::string& text)
{
    plat::SystemTime st{};
    int y, mo, d, h, mi, s;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return 0;
    st.year = uint16_t(y);
    st.month = uint16_t(mo);
    st.day = uint16_t(d);
    st.hour = uint16_t(h);
    st.minute = uint16_t(mi);
    st.second = uint16_t(s);
    uint64_t out = 0;
    plat::SystemTimeToFileTime(st, out);
    return out;
}

// The name a component of a deleted entry gets back: a long name as it was; a plain 8.3 name (mtools
// writes no long name for those) with '#' for its lost first character.
std::string DeletedName(const std::string& name)
{
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    bool shortName =
        !base.empty() && base.size() <= 8 && ext.size() <= 3 && name.find('.', dot + 1) == std::string::npos;
    for (char c : name)
        if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
              c == '_'))
            shortName = false;
    return shortName ? "#" + name.substr(1) : name;
}

// "/a/b/c" as the tree names it: the components of deleted folders and of a deleted file renamed.
std::string ExpectedPath(const ManifestLine& line, const std::map<std::string, bool>& deletedFolders)
{
    std::string path = line.path;
    const bool folder = !path.empty() && path.back() == '/';
    if (folder) path.pop_back();
    std::string out, sofar;
    size_t at = 1;
    while (at <= path.size()) {
        const size_t next = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, next - at);
        sofar += "/" + part;
        const bool last = next == path.size();
        auto found = deletedFolders.find(sofar + "/");
        const bool deleted = (last && line.deleted) || (found != deletedFolders.end() && found->second);
        out += "/" + (deleted ? DeletedName(part) : part);
        at = next + 1;
    }
    return out;
}

void CollectPaths(CFileNode* node, const std::string& prefix, std::map<std::string, CFileNode*>& out)
{
    for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        const std::string path = prefix + "/" + child->GetProperties()->GetName();
        EXPECT_EQ(out.count(path), 0u) << "listed twice: " << path;
        out[path] = child;
        CollectPaths(child, path, out);
    }
}

std::vector<uint8_t> ReadWhole(IStorageDevice* device, CFileNode* node, uint64_t size)
{
    std::vector<uint8_t> bytes(size);
    CFoundFileReader reader;
    if (!reader.Open(device, node)) return {};
    uint64_t at = 0;
    while (at < size) {
        uint32_t got = 0;
        const uint32_t ask = uint32_t(std::min<uint64_t>(size - at, 65536));
        if (!reader.ReadAt(at, bytes.data() + at, ask, got) || got == 0) return {};
        at += got;
    }
    return bytes;
}

struct TreeDeleter {
    void operator()(CFileSystemNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileSystemNode, TreeDeleter>;

class FATFixtureTree : public testing::TestWithParam<int> {};

} // namespace

TEST_P(FATFixtureTree, EveryFileComesBackAsTheManifestSays)
{
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    ASSERT_FALSE(fixture.lines.empty());
    testsupport::MemoryDevice device(fixture.image);

    bool cancelled = true;
    TreePtr tree(BuildFAT(&device, width == 32, true, nullptr, &cancelled));
    ASSERT_TRUE(tree);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(tree->GetFileSystemKind(), width == 12 ? 0 : width == 16 ? 1 : 2);
    ASSERT_NE(tree->GetName(), nullptr);
    EXPECT_STREQ(tree->GetName(), width == 12 ? "FLOPPY12" : width == 16 ? "DATA16" : "DATA32");

    std::map<std::string, CFileNode*> listed;
    CollectPaths(tree.get(), "", listed);
    std::map<std::string, bool> deletedFolders;
    for (const ManifestLine& line : fixture.lines)
        if (line.path.back() == '/') deletedFolders[line.path] = line.deleted;

    int exactDeleted = 0;
    for (const ManifestLine& line : fixture.lines) {
        const std::string path = ExpectedPath(line, deletedFolders);
        SCOPED_TRACE(line.path + " as " + path);
        auto found = listed.find(path);
        if (line.deleted && !line.exact) continue; // reused or empty: nothing to hold it to
        ASSERT_NE(found, listed.end());
        const IFileProperties* properties = found->second->GetProperties();
        EXPECT_EQ((properties->GetState() & kFileStateDeleted) != 0, line.deleted);
        if (line.path.back() == '/') {
            EXPECT_TRUE(properties->GetAttributes() & kFileAttrDirectory);
            continue;
        }
        EXPECT_EQ(properties->GetSize(), line.size);
        EXPECT_EQ(properties->GetModificationTime(), ManifestTime(line.mtime));
        if (line.size == 0) continue;
        EXPECT_EQ(Sha256(ReadWhole(&device, found->second, line.size)), line.sha256);
        if (line.deleted) ++exactDeleted;
    }
    EXPECT_GE(exactDeleted, 8);
    // Nothing is recovered from a deleted empty file.
    EXPECT_EQ(listed.count("/#MPTYDEL.TXT"), 0u);
}

TEST_P(FATFixtureTree, WithoutIncludeAllOnlyFoldersAndDeletedEntriesAreListed)
{
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    TreePtr tree(BuildFAT(&device, width == 32, false, nullptr));
    ASSERT_TRUE(tree);
    std::map<std::string, CFileNode*> listed;
    CollectPaths(tree.get(), "", listed);
    std::map<std::string, bool> deletedFolders;
    for (const ManifestLine& line : fixture.lines)
        if (line.path.back() == '/') deletedFolders[line.path] = line.deleted;
    for (const ManifestLine& line : fixture.lines) {
        const std::string path = ExpectedPath(line, deletedFolders);
        SCOPED_TRACE(path);
        const bool folder = line.path.back() == '/';
        if (folder || (line.deleted && line.exact))
            EXPECT_EQ(listed.count(path), 1u);
        else if (!line.deleted)
            EXPECT_EQ(listed.count(path), 0u);
    }
}

TEST_P(FATFixtureTree, ABuildCancelledMidwayReturnsNothing)
{
    struct CancelAfter : IDIRBuildCallback {
        int calls = 0;
        int limit;
        explicit CancelAfter(int n) : limit(n) {}
        int Answer() { return ++calls > limit ? -1 : 0; }
        int Begin(const char*, int) override { return Answer(); }
        int Step(int) override { return Answer(); }
        int SetPos(int) override { return Answer(); }
        int Finish() override { return Answer(); }
        int CheckCancel() override { return Answer(); }
    };
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    for (int limit : {2, 5, 8, 12}) {
        SCOPED_TRACE(limit);
        CancelAfter callback(limit);
        bool cancelled = false;
        TreePtr tree(BuildFAT(&device, width == 32, true, &callback, &cancelled));
        EXPECT_FALSE(tree);
        EXPECT_TRUE(cancelled);
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, FATFixtureTree, testing::Values(12, 16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });
