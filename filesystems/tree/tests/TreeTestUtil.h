// Small builders for tree tests: plain properties with chosen fields, optional runs, and a count of
// how many properties objects are alive.
#pragma once

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/DataRunLists.h"

#include <cstring>
#include <string>
#include <vector>

namespace treetest {

inline int g_liveProperties = 0;

class TestProperties : public CMyFileProperties {
public:
    TestProperties(const std::string& name, uint64_t size, uint32_t attributes, uint16_t state = 0,
                   int validMask = 0xFF)
    {
        ++g_liveProperties;
        MyFilePropertiesRecord r;
        std::strncpy(r.name, name.c_str(), sizeof r.name - 1);
        r.nameLength = int32_t(name.size());
        r.size = size;
        r.attributes = attributes;
        r.state = state;
        r.validMask = validMask;
        SetRecord(r);
    }
    ~TestProperties() override { --g_liveProperties; }

    IDataRunList* GetDataRunList() const override
    {
        if (m_runs.empty() && !m_resident) return nullptr;
        if (m_resident) {
            auto* list = new CResidentNTFSDataRunList();
            list->SetResident(m_recordSector, m_residentOffset);
            return list;
        }
        auto* list = new CNoneResidentNTFSDataRunList();
        for (const DataRun& r : m_runs) list->AppendRunCopy(r);
        return list;
    }

    std::vector<DataRun> m_runs;
    bool m_resident = false;
    uint64_t m_recordSector = 0;
    int m_residentOffset = 0;
};

inline TestProperties* File(const std::string& name, uint64_t size, uint32_t attributes = 0x20, uint16_t state = 0)
{
    return new TestProperties(name, size, attributes, state);
}

inline TestProperties* Folder(const std::string& name)
{
    return new TestProperties(name, 0, 0x10);
}

inline CFileNode* AddFile(CFileNode* parent, const std::string& name, uint64_t size, uint32_t attributes = 0x20,
                          uint16_t state = 0)
{
    CFileNode* n = NewFileNode();
    n->SetProperties(File(name, size, attributes, state));
    return parent ? parent->AddChild(n) : n;
}

inline CFileNode* AddFolder(CFileNode* parent, const std::string& name, bool fileSystemNode = false)
{
    CFileNode* n = fileSystemNode ? NewFileSystemNode() : NewFileNode();
    n->SetProperties(Folder(name));
    return parent ? parent->AddChild(n) : n;
}

inline CFileSystemNode* AddFsFolder(CFileNode* parent, const std::string& name)
{
    return static_cast<CFileSystemNode*>(AddFolder(parent, name, true));
}

inline uint8_t StateOf(const CFileNode* n)
{
    return n->GetProperties()->GetCheckState();
}

inline std::string NameOf(const CFileNode* n)
{
    return n->GetProperties()->GetName();
}

// Names of the children in list order.
inline std::vector<std::string> ChildNames(const CFileNode* n)
{
    std::vector<std::string> out;
    for (const CFileNode* c = n->GetFirstChild(); c; c = c->GetNextSibling()) out.push_back(NameOf(c));
    return out;
}

} // namespace treetest

namespace treetest {

// A small properties object for very large trees: attributes, size and check state only.
class LightProperties : public IFileProperties {
public:
    LightProperties(uint64_t size, uint16_t attributes, uint16_t state = 0)
        : m_size(size), m_attributes(attributes), m_state(state)
    {
    }
    int GetNameLength() const override { return 0; }
    void SetName(const char*) override {}
    const char* GetName() const override { return ""; }
    uint64_t GetSize() const override { return m_size; }
    uint16_t GetAttributes() const override { return m_attributes; }
    std::string GetDescription() const override { return {}; }
    FILETIME GetCreationTime() const override { return 0; }
    FILETIME GetModificationTime() const override { return 0; }
    FILETIME GetAccessTime() const override { return 0; }
    uint16_t GetState() const override { return m_state; }
    uint8_t GetCheckState() const override { return m_check; }
    void SetCheckState(uint8_t s) override { m_check = s; }
    IDataRunList* GetDataRunList() const override { return nullptr; }
    int GetValidMask() const override { return 0xFF; }
    int GetUserFlag() const override { return 0; }
    int SetUserFlag(int) override { return 0; }
    int Write(IRSData*) const override { return 0; }
    int GetPropertiesType() const override { return kPropertiesPlain; }
    int Read(IRSData*) override { return 0; }

private:
    uint64_t m_size;
    uint16_t m_attributes;
    uint16_t m_state;
    uint8_t m_check = 0;
};

} // namespace treetest
