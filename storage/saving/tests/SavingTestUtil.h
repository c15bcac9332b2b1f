// Helpers of the saving tests: found files with chosen runs and fields on an in-memory volume, a callback that
// records what it hears and can cancel, a tiny LZNT1 encoder, and file reading.
#pragma once

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/DataRunLists.h"
#include "storage/saving/IFileRecoverCallback.h"
#include "tests/support/MemoryDevice.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace savetest {

using Bytes = std::vector<uint8_t>;

class FakeProperties : public CMyFileProperties {
public:
    FakeProperties(const std::string& name, uint64_t size, uint32_t attributes = 0)
    {
        MyFilePropertiesRecord r;
        std::strncpy(r.name, name.c_str(), sizeof r.name - 1);
        r.nameLength = int32_t(name.size());
        r.size = size;
        r.attributes = attributes;
        r.checkState = 2;
        r.validMask = 0xFF;
        SetRecord(r);
    }

    IDataRunList* GetDataRunList() const override
    {
        if (!hasRuns) return nullptr;
        auto* list = new CFATDataRunList();
        for (const DataRun& run : runs) list->AppendRunCopy(run);
        return list;
    }
    int GetPropertiesType() const override { return type; }

    FakeProperties& Runs(std::vector<DataRun> r)
    {
        runs = std::move(r);
        hasRuns = true;
        return *this;
    }
    FakeProperties& Times(FILETIME modification, FILETIME access)
    {
        MyFilePropertiesRecord r = GetRecord();
        r.modificationTime = modification;
        r.accessTime = access;
        SetRecord(r);
        return *this;
    }

    std::vector<DataRun> runs;
    bool hasRuns = false;
    int type = kPropertiesFAT;
};

// A volume node over an in-memory device whose files the test adds; frees what it made.
struct Volume {
    explicit Volume(uint64_t sectors = 4096, int32_t sectorSize = 512, uint64_t firstSector = 0,
                    int32_t sectorsPerCluster = 8, int kind = kFsKindFat32)
        : device(sectors, sectorSize)
    {
        root.SetClusterGeometry(firstSector, sectorsPerCluster);
        root.SetFileSystemKind(kind);
        auto* p = new FakeProperties("Volume", 0, 0x10);
        owned.emplace_back(p);
        root.SetProperties(p);
    }

    CFileNode* Add(CFileNode* parent, IFileProperties* properties)
    {
        owned.emplace_back(properties);
        nodes.emplace_back(new CFileNode());
        nodes.back()->SetProperties(properties);
        parent->AddChild(nodes.back().get());
        return nodes.back().get();
    }
    FakeProperties& File(const std::string& name, uint64_t size, uint32_t attributes = 0, CFileNode* parent = nullptr)
    {
        auto* p = new FakeProperties(name, size, attributes);
        last = Add(parent ? parent : &root, p);
        return *p;
    }
    CFileNode* Folder(const std::string& name, CFileNode* parent = nullptr)
    {
        return Add(parent ? parent : &root, new FakeProperties(name, 0, 0x10));
    }

    testsupport::MemoryDevice device;
    CFileSystemNode root;
    std::vector<std::unique_ptr<IFileProperties>> owned;
    std::vector<std::unique_ptr<CFileNode>> nodes;
    CFileNode* last = nullptr;
};

class RecordingCallback : public IFileRecoverCallback {
public:
    int Begin(int, uint64_t) override { return 0; }
    int AddFilesDone(int count) override
    {
        files += count;
        return Answer();
    }
    int AddBytesDone(uint64_t n) override
    {
        bytes += n;
        ++pieces;
        if (cancelAfterBytes && bytes >= cancelAfterBytes) cancelled = true;
        return Answer();
    }
    int SubtractBytes(int n) override
    {
        subtracted += n;
        return 0;
    }
    int SetCurrentFile(const char* name) override
    {
        names.emplace_back(name);
        if (cancelAfterFiles && int(names.size()) > cancelAfterFiles) cancelled = true;
        return Answer();
    }
    int CheckCancel() override
    {
        ++checks;
        if (cancelOnCheck) cancelled = true;
        return Answer();
    }

    int Answer() const { return cancelled ? kCancelled : 0; }

    bool cancelled = false;
    uint64_t cancelAfterBytes = 0;
    int cancelAfterFiles = 0;
    bool cancelOnCheck = false;
    int checks = 0;
    int files = 0;
    uint64_t bytes = 0;
    int pieces = 0;
    int subtracted = 0;
    std::vector<std::string> names;
};

inline Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes Pattern(size_t size, unsigned seed)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = uint8_t((seed + 31 * i + (i >> 8)) & 0xFF);
    return b;
}

// A greedy LZNT1 encoder (longest match within what each position's token can express) for one chunk of
// at most 4096 bytes, header included.
inline Bytes EncodeLznt1Chunk(const uint8_t* data, size_t n)
{
    Bytes out{0, 0};
    size_t pos = 0;
    while (pos < n) {
        const size_t flagAt = out.size();
        out.push_back(0);
        uint8_t flags = 0;
        for (int bit = 0; bit < 8 && pos < n; ++bit) {
            unsigned shift = 0;
            if (pos > 0)
                for (size_t v = pos - 1; v >= 16; v >>= 1) ++shift;
            const size_t maxLength = (0x0FFFu >> shift) + 3;
            const size_t maxDistance = size_t(1) << (4 + shift);
            size_t bestLength = 0, bestDistance = 0;
            for (size_t d = 1; d <= pos && d <= maxDistance; ++d) {
                size_t l = 0;
                while (l < maxLength && pos + l < n && data[pos + l] == data[pos + l - d]) ++l;
                if (l > bestLength) {
                    bestLength = l;
                    bestDistance = d;
                }
            }
            if (bestLength >= 3) {
                flags |= uint8_t(1u << bit);
                const uint16_t token = uint16_t(((bestDistance - 1) << (12 - shift)) | (bestLength - 3));
                out.push_back(uint8_t(token));
                out.push_back(uint8_t(token >> 8));
                pos += bestLength;
            } else {
                out.push_back(data[pos++]);
            }
        }
        out[flagAt] = flags;
    }
    const uint16_t header = uint16_t(0xB000 | (out.size() - 3));
    out[0] = uint8_t(header);
    out[1] = uint8_t(header >> 8);
    return out;
}

} // namespace savetest
