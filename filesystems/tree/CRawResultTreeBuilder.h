// Turns the hits of a signature scan into the "Raw Files" folder: one folder per type named by its
// description, files named by type and number, sub-folders of 300 files, with unselected, used, unmeasurable,
// and nested JPEG hits left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filesystems/tree/IIterator.h"

class CFileNode;
class CFileSystemNode;
class CRawFileInfo;
class IDIRBuildCallback;
class IIsClusterUsed;
class IRawHitMeasurer;
class IStorageDevice;

// One builder makes one tree. It owns neither the nodes it makes (the caller owns the tree from the returned
// root and frees it with DeleteFoundTree) nor the hits, which it leaves as the scan left them.
class CRawResultTreeBuilder {
public:
    static constexpr int kTypeSlots = 2000;
    static constexpr int kFilesPerFolder = 300;
    static constexpr size_t kMaxNameLength = 79;

    CRawResultTreeBuilder();

    // The root "Raw Files", or null when "Recover RAW files:" is off. Hit start sectors are sectors of the
    // scanned device (given it or its 512-byte view); the bitmap is asked in bytes of the device, and file runs
    // use 512-byte units (the tree is saved through the device's 512-byte view). measurer may be null: hits of
    // size 0 are then left out.
    CFileSystemNode* Build(IStorageDevice* device, IIterator<CRawFileInfo*>* hits, const IIsClusterUsed* bitmap,
                           IDIRBuildCallback* callback, IRawHitMeasurer* measurer);

    // "FILE001.JPG", or the prefix before the number ("Canon EOS 5D004.JPG"); at most 79 characters, the
    // prefix cut first.
    static std::string FormatFileName(int count, const char* shortName, const std::string& namePrefix);

private:
    struct WorkRecord {
        uint64_t startSector = 0;
        uint64_t size = 0;
        int type = 0;
        std::string namePrefix;
        std::string extraText;
    };

    CFileSystemNode* CreateRoot();
    CFileNode* CreateFolderNode(const char* name);
    CFileNode* CreateTypeFolder(int type);
    void AddRawFile(const WorkRecord& record);
    void FinishFolders();
    static void RenameNode(CFileNode* node, const std::string& name);

    CFileSystemNode* m_root = nullptr;
    std::vector<int> m_counts;
    std::vector<CFileNode*> m_typeFolders;
    uint64_t m_unitsPerSector = 1;
};
