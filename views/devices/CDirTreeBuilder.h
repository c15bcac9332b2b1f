// The runners of directory-tree builds: each shows the build progress dialog over a disabled main window,
// runs the file system's tree builder on a worker while this thread pumps, and returns only when the build
// has finished. User-interface thread only.
#pragma once

#include <functional>

class CFileNode;
class CFileSystemNode;
class CRawFileList;
class IDIRBuildCallback;
class IStorageDevice;

class CDirTreeBuilder {
public:
    // The tree of an NTFS volume (addressed from its own sector 0); null on failure or cancel.
    CFileSystemNode* BuildNTFS(IStorageDevice* volume);
    // The tree of a FAT volume. partitionIndex 0 (a volume of the machine) lists folders and deleted entries;
    // 1 (a found partition) lists every file.
    CFileSystemNode* BuildFAT(IStorageDevice* volume, int isFat32, int partitionIndex);
    // The tree of an ext2 or ext3 volume.
    CFileSystemNode* BuildEXT2(IStorageDevice* volume);
    // 1 when the user cancelled the last build of this object.
    int IsCancelled() const { return m_cancelled; }

    // The runner's frame around any build: dialog, disabled main window, the build with a pump, then the
    // cancel state. Used by the runners above and by work of other pages shown under the same dialog.
    using BuildWork = std::function<CFileSystemNode*(IDIRBuildCallback* callback, const std::function<void()>& pump)>;
    CFileSystemNode* Run(const BuildWork& work);

private:
    int m_cancelled = 0;
};

// The "Raw Files" tree of the signature hits of a whole device, added under parent (a cancelled build adds
// what it made so far); nothing is added when the options leave RAW files out.
void BuildRawFileTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent);
