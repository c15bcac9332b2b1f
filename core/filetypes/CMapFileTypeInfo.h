// The file-type catalogue: the root, the categories and the file types of "FileFilter.xml" with
// their check states, as the file-type page shows them and the extension filter reads them.
// Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

inline constexpr uint32_t kMaxTypeExtensions = 30;
inline constexpr std::size_t kFileTypeTextSize = 80;
inline constexpr std::size_t kFileTypeExtensionSize = 8;

// One root (level 0), category (level 1) or type (level 2). Texts are UTF-8, cut to 79 bytes;
// extensions carry their leading dot (".jpg") and are cut to 7 bytes.
struct FileTypeInfoRecord {
    uint32_t id = 0; // 0 for the root; categories and types 1, 2, 3... in document order
    uint32_t level = 0;
    int32_t parentId = 0;               // -1 for the root, 0 for a category, its category's id for a type
    uint16_t checkState = 0;            // 0 unchecked, 1 partly checked, 2 checked
    int32_t iconIndex = 0;              // picture of the file-type page
    char text[kFileTypeTextSize] = {};  // root name, category or type description
    char label[kFileTypeTextSize] = {}; // category's second line
    int32_t isMutex = 0;                // a checked category with this flag makes the extension filter exclude
    char comment[kFileTypeTextSize] = {};
    void* treeItem = nullptr; // slot for the tree view's item; not owned
    uint32_t extensionCount = 0;
    char extensions[kMaxTypeExtensions][kFileTypeExtensionSize] = {};
};

// The program's own catalogue: "FileFilter.xml" in the data folder.
std::string GetFileFilterPath();

class CMapFileTypeInfo {
public:
    CMapFileTypeInfo() = default;
    ~CMapFileTypeInfo();
    CMapFileTypeInfo(const CMapFileTypeInfo&) = delete;
    CMapFileTypeInfo& operator=(const CMapFileTypeInfo&) = delete;

    // Loads the catalogue file into the (empty) map. 0 on success; 11 when the file cannot be
    // loaded or has no root element; 1168 when the root has no "FileCategory"; or Insert's code.
    // Records inserted before a failure stay.
    int LoadFromXml(const char* path);

    // The record of an id, or null. Valid until Clear; callers may change checkState and treeItem.
    FileTypeInfoRecord* Find(uint32_t id);
    const FileTypeInfoRecord* Find(uint32_t id) const;

    // *ids must be null on entry (else 87). Sets *count to the number of records and, when that is
    // not 0, *ids to an array of all ids in ascending order from MemAlloc, which the caller releases
    // with MemFree.
    int GetIds(uint32_t** ids, uint32_t* count) const;
    // All ids in ascending order.
    std::vector<uint32_t> GetIdList() const;

    // Adds a copy of the record under its id; a record whose id is present is not replaced.
    // 87 for a null record.
    int Insert(const FileTypeInfoRecord* record);

    void Clear();
    std::size_t GetCount() const { return m_map.size(); }

private:
    std::map<uint32_t, std::unique_ptr<FileTypeInfoRecord>> m_map;
};
