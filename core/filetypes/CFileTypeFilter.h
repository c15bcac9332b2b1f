// The process-wide extension filter: the set of extensions (with their leading dot, compared
// without regard to letter case) that decides which found files are listed and which signature
// types are searched. Loaded on the user-interface thread from the file-type catalogue; read by
// directory-tree workers at the same time. All operations are safe to call from any thread.
#pragma once

#include "core/CReadWriteLock.h"

#include <atomic>
#include <string>
#include <unordered_map>

class CMapFileTypeInfo;

class CFileTypeFilter {
public:
    enum Mode { kAllFiles = 0, kInclude = 1, kExclude = 2 };
    static constexpr std::size_t kMaxExtensionLength = 259;

    CFileTypeFilter() = default;
    ~CFileTypeFilter();
    CFileTypeFilter(const CFileTypeFilter&) = delete;
    CFileTypeFilter& operator=(const CFileTypeFilter&) = delete;

    // Rebuilds the set and the mode from the catalogue's check states. With allTypes (the root of
    // the file-type tree fully checked) the set stays empty and every file passes. Otherwise the
    // filter includes the extensions of checked types, or, when a checked record carries IsMutex,
    // excludes the extensions of unchecked types that no checked type also lists.
    void Load(const CMapFileTypeInfo& catalogue, bool allTypes);

    // Whether a file with this extension (".jpg", any case) passes. A null extension never passes;
    // with an empty set every other one does, in every mode.
    bool IsFileTypeInList(const char* extension);

    // Whether a found file of this name is listed: always when the set is empty; otherwise by the
    // extension from its last dot, where a name without an extension (no dot after its first
    // character, or nothing after its last dot: "README", ".profile", "notes.") is tested as ".",
    // the extension under which the catalogue lists "files without an extension". So such files
    // pass unless that entry is unticked (exclude mode) or left out (include mode). Null passes.
    bool IsFileNameWanted(const char* name);
    // The extension IsFileNameWanted tests for a name: from its last dot, or "." when it has none.
    static const char* ExtensionOfName(const char* name);

    // Number of extensions in the set, read without the lock; 0 means no filtering.
    unsigned GetCount() const { return m_count.load(std::memory_order_acquire); }
    int GetMode();

private:
    // Both run under the lock. Find hands out the stored text, valid while the lock is held.
    bool Find(const char* extension, const char** stored);
    bool Add(const char* extension);
    void ClearSet();

    CReadWriteLock m_lock;
    std::unordered_map<std::string, std::string> m_hashmapString; // lower-cased key -> text as given
    int m_mode = kAllFiles;
    std::atomic<unsigned> m_count{0};
};

// The one filter of the process, made on first use.
CFileTypeFilter& GetFileTypeFilter();
