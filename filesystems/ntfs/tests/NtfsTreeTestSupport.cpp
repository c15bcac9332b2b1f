// Helpers of the NTFS tree-build tests.
#include "filesystems/ntfs/tests/NtfsTreeTestSupport.h"

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/FixtureManifests.h"

#include <algorithm>

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

namespace {

TreeFixture Load(const std::string& name)
{
    TreeFixture fixture;
    fixture.name = name;
    fixture.bytes = LoadFixtureImage(name);
    if (fixture.bytes.empty()) return fixture;

    for (const std::vector<std::string>& f : ReadManifestRows(name)) {
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
