// The tree build of an ext2 or ext3 volume for deleted-file recovery.
#include "filesystems/ext2/BuildEXT2.h"

#include "core/devices/IStorageDevice.h"

CFileSystemNode* BuildEXT2(IStorageDevice* volume, IDIRBuildCallback* callback, bool* cancelled,
                           const CExt2TreeBuilder::MessagePump& pump)
{
    if (cancelled) *cancelled = false;
    if (!volume) return nullptr;
    CExt2TreeBuilder builder;
    CFileSystemNode* root = Ext2BuildDirectoryThread(&builder, volume->GetAs512SectorDevice(), callback, 2, 0, pump);
    if (cancelled) *cancelled = builder.WasCancelled();
    return root;
}
