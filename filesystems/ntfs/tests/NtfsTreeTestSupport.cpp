// Helpers of the NTFS tree-build tests.
#include "filesystems/ntfs/tests/NtfsTreeTestSupport.h"

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace testsupport;

namespace ntfstree {

namespace {

constexpr uint32_t kHiddenSystem = 0x06;

} // namespace

SyntheticVolume::SyntheticVolume(uint32_t mftRecords, uint64_t sectors) : m_device(sectors, 512)
{
    const Bytes boot = MakeNtfsBootSector(512, 1, -10, sectors - 1, kMftCluster, kMirrCluster);
    m_device.Write(0, boot.data(), boot.size());

    const uint64_t clusters = 2ull * mftRecords;
    NtfsRecordBuilder mft(1024);
    mft.Flags(1).AddStandardInformation(kHiddenSystem).AddFileName(5, u"$MFT", 3);
    mft.AddNonResident(0x80, NtfsPackRuns({{int64_t(kMftCluster), clusters}}), 0, clusters - 1, clusters * 512,
                       clusters * 512, clusters * 512);
    Put(0, mft);
    // The mirror holds the first records too.
    const Bytes mirror = mft.RecordNumber(0).Build();
    PutAt(kMirrCluster, mirror);

    NtfsRecordBuilder volume(1024);
    volume.Flags(1).AddStandardInformation(kHiddenSystem).AddFileName(5, u"$Volume", 3);
    const std::u16string label = u"Synthetic";
    volume.AddResident(0x60, Bytes(reinterpret_cast<const uint8_t*>(label.data()),
                                   reinterpret_cast<const uint8_t*>(label.data()) + label.size() * 2));
    Put(3, volume);

    NtfsRecordBuilder root(1024);
    root.Flags(3).AddStandardInformation(kHiddenSystem).AddFileName(5, u".", 3, 0x10000000);
    Put(5, root);
}

void SyntheticVolume::Put(uint32_t number, NtfsRecordBuilder record)
{
    PutAt(RecordSector(number), record.RecordNumber(number).Build());
}

void SyntheticVolume::PutAt(uint64_t sector, const Bytes& bytes)
{
    m_device.Write(sector * 512, bytes.data(), bytes.size());
}

NtfsRecordBuilder SyntheticVolume::Record(uint64_t parent, const std::u16string& name, bool folder, bool inUse,
                                          uint32_t attributes)
{
    NtfsRecordBuilder r(1024);
    r.Flags(uint16_t((inUse ? 1 : 0) | (folder ? 2 : 0)));
    r.AddStandardInformation(attributes);
    r.AddFileName(parent, name, 1, folder ? 0x10000000 : 0);
    return r;
}

void SyntheticVolume::AddFile(uint32_t number, uint64_t parent, const std::u16string& name, bool inUse,
                              const Bytes& data)
{
    NtfsRecordBuilder r = Record(parent, name, false, inUse);
    r.AddResident(0x80, data);
    Put(number, r);
}

void SyntheticVolume::AddFolder(uint32_t number, uint64_t parent, const std::u16string& name, bool inUse)
{
    Put(number, Record(parent, name, true, inUse, 0x10));
}

int CancellingCallback::Begin(const char* title, int)
{
    titles.push_back(title ? title : "");
    return Answer();
}

std::map<std::string, CFileNode*> PathsBelow(CFileNode* root)
{
    std::map<std::string, CFileNode*> out;
    std::vector<std::pair<CFileNode*, std::string>> stack;
    for (CFileNode* c = root->GetFirstChild(); c; c = c->GetNextSibling()) stack.push_back({c, ""});
    while (!stack.empty()) {
        auto [node, prefix] = stack.back();
        stack.pop_back();
        const IFileProperties* p = node->GetProperties();
        const std::string path = prefix + "/" + (p ? p->GetName() : "?");
        out[path] = node;
        for (CFileNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) stack.push_back({c, path});
    }
    return out;
}

std::vector<std::string> ChildNames(const CFileNode* node)
{
    std::vector<std::string> names;
    for (CFileNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        names.push_back(c->GetProperties() ? c->GetProperties()->GetName() : "?");
    std::sort(names.begin(), names.end());
    return names;
}

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
    const auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
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

namespace {

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

TreeFixture Load(const std::string& name)
{
    TreeFixture fixture;
    fixture.name = name;
    const std::string dir = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/";
    TempDir temp;
    const std::string out = (temp / (name + ".img")).string();
    const std::string cmd = "xz -dc '" + dir + name + ".img.xz' > '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return fixture;
    std::ifstream img(out, std::ios::binary);
    fixture.bytes.assign(std::istreambuf_iterator<char>(img), std::istreambuf_iterator<char>());

    std::ifstream manifest(dir + name + ".manifest");
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = Split(line);
        if (f[0] == "volume" && f.size() == 5) {
            fixture.label = f[1];
            fixture.bytesPerSector = uint32_t(std::stoul(f[2]));
            fixture.bytesPerCluster = uint32_t(std::stoul(f[3]));
            fixture.bytesPerRecord = uint32_t(std::stoul(f[4]));
        } else if ((f[0] == "file" && f.size() == 8) || (f[0] == "folder" && f.size() == 4)) {
            ManifestRow row;
            row.folder = f[0] == "folder";
            row.deleted = f[1] == "deleted";
            row.treePath = f[2];
            row.diskPath = f[3];
            if (!row.folder) {
                row.size = std::stoull(f[4]);
                row.sha256 = f[5];
                row.modificationTime = std::stoull(f[6]);
                row.accessTime = std::stoull(f[7]);
            }
            fixture.rows.push_back(row);
        }
    }
    return fixture;
}

} // namespace

const TreeFixture& LoadTreeFixture(const std::string& name)
{
    static std::map<std::string, TreeFixture> cache;
    auto found = cache.find(name);
    if (found == cache.end()) found = cache.emplace(name, Load(name)).first;
    return found->second;
}

} // namespace ntfstree
