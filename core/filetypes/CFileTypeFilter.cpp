// The extension filter. The mode is read under the same read lock as the set, so a Load that runs
// meanwhile can never pair the old set with the new mode. Tree builds ask once per found file, so the
// lines of each test go to the trace log only (-trace); the set itself is logged once per Load.
#include "core/filetypes/CFileTypeFilter.h"

#include "core/filetypes/CMapFileTypeInfo.h"
#include "platform/Log.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Releases the lock on every path out of a scope.
class LockHold {
public:
    LockHold(CReadWriteLock& lock, bool write) : m_lock(lock)
    {
        if (write)
            m_lock.LockWrite();
        else
            m_lock.LockRead();
    }
    ~LockHold() { m_lock.Unlock(); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

private:
    CReadWriteLock& m_lock;
};

bool HasExtensions(const FileTypeInfoRecord& r)
{
    return r.extensionCount > 0 && r.extensions[0][0] != '\0';
}

} // namespace

CFileTypeFilter::~CFileTypeFilter()
{
    LockHold hold(m_lock, true);
    ClearSet();
}

void CFileTypeFilter::ClearSet()
{
    m_hashmapString.clear();
    m_count.store(0, std::memory_order_release);
}

void CFileTypeFilter::Load(const CMapFileTypeInfo& catalogue, bool allTypes)
{
    const std::vector<uint32_t> ids = catalogue.GetIdList();
    LockHold hold(m_lock, true);

    m_mode = kAllFiles;
    if (!allTypes) {
        m_mode = kInclude;
        for (uint32_t id : ids) {
            const FileTypeInfoRecord* r = catalogue.Find(id);
            if (r && r->checkState == 2 && r->isMutex != 0) {
                m_mode = kExclude;
                break;
            }
        }
    }
    ClearSet();
    if (allTypes) return;

    for (uint32_t id : ids) {
        const FileTypeInfoRecord* r = catalogue.Find(id);
        if (!r || !HasExtensions(*r)) continue;
        if (m_mode == kInclude) {
            if (r->checkState != 2) continue;
            for (uint32_t e = 0; e < r->extensionCount; ++e) Add(r->extensions[e]);
            continue;
        }
        if (r->checkState != 0) continue;
        for (uint32_t e = 0; e < r->extensionCount; ++e) {
            const std::string key = LowerAscii(r->extensions[e]);
            bool listedByChecked = false;
            for (uint32_t otherId : ids) {
                const FileTypeInfoRecord* other = catalogue.Find(otherId);
                if (!other || other->checkState != 2 || !HasExtensions(*other)) continue;
                for (uint32_t k = 0; k < other->extensionCount && !listedByChecked; ++k)
                    listedByChecked = LowerAscii(other->extensions[k]) == key;
                if (listedByChecked) break;
            }
            if (!listedByChecked) Add(r->extensions[e]);
        }
    }

    std::vector<std::string> listed;
    listed.reserve(m_hashmapString.size());
    for (const auto& entry : m_hashmapString) listed.push_back(entry.second);
    std::sort(listed.begin(), listed.end());
    std::string joined;
    for (const std::string& e : listed) joined += (joined.empty() ? "" : " ") + e;
    LogInfo("Extension filter: mode %d, %u extensions: %s\n", m_mode, static_cast<unsigned>(listed.size()),
            joined.c_str());
}

bool CFileTypeFilter::Add(const char* extension)
{
    if (extension == nullptr || std::strlen(extension) > kMaxExtensionLength) return false;
    m_hashmapString.emplace(LowerAscii(extension), extension);
    m_count.store(static_cast<unsigned>(m_hashmapString.size()), std::memory_order_release);
    return true;
}

bool CFileTypeFilter::Find(const char* extension, const char** stored)
{
    DebugTrace("Find entry!IsFileTypeInList find para ptchExt = %s,ptchExtValue = %s\n", extension, *stored);
    bool found = false;
    if (std::strlen(extension) <= kMaxExtensionLength) {
        const std::string key = LowerAscii(extension);
        DebugTrace("m_hashmapString.find() entry!\n");
        const auto it = m_hashmapString.find(key);
        DebugTrace("m_hashmapString.find() leave!\n");
        if (it != m_hashmapString.end()) {
            *stored = it->second.c_str();
            found = true;
        }
    }
    if (!found) DebugTrace("m_hashmapString.end() leave!\n");
    DebugTrace("Find leave!IsFileTypeInList find para ptchExt = %s,ptchExtValue = %s\n", extension, *stored);
    return found;
}

bool CFileTypeFilter::IsFileTypeInList(const char* extension)
{
    if (extension == nullptr) return false;
    bool found;
    int mode;
    {
        LockHold hold(m_lock, false);
        if (m_hashmapString.empty()) return true;
        mode = m_mode;
        const char* stored = "";
        DebugTrace("IsFileTypeInList find para ptchExt = %s,ptchExtValue = %s\n", extension, stored);
        found = Find(extension, &stored);
        DebugTrace("IsFileTypeInList find para ptchExt = %s,ptchExtValue = %s,bRet = %d\n", extension, stored,
                   found ? 1 : 0);
    }
    return mode == kExclude ? !found : found;
}

const char* CFileTypeFilter::ExtensionOfName(const char* name)
{
    if (name == nullptr) return nullptr;
    const char* dot = std::strrchr(name, '.');
    if (dot == nullptr || dot == name || dot[1] == '\0') return ".";
    return dot;
}

bool CFileTypeFilter::IsFileNameWanted(const char* name)
{
    if (name == nullptr || GetCount() == 0) return true;
    return IsFileTypeInList(ExtensionOfName(name));
}

int CFileTypeFilter::GetMode()
{
    LockHold hold(m_lock, false);
    return m_mode;
}

CFileTypeFilter& GetFileTypeFilter()
{
    static CFileTypeFilter filter;
    return filter;
}
