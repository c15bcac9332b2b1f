// The tree build of an ext2 or ext3 volume for deleted-file recovery.
#include "filesystems/ext2/BuildEXT2.h"

#include "core/devices/IStorageDevice.h"

CFileSystemNode* BuildEXT2(IStorageDevice* volume, IDIRBuildCallback* callback, bytes::ParseResult* result,
                           const CExt2TreeBuilder::MessagePump& pump)
{
    if (result) *result = {};
    if (!volume) {
        if (result) result->Merge(bytes::ParseStatus::IoFailure);
        return nullptr;
    }
    CExt2TreeBuilder builder;
    CFileSystemNode* root = Ext2BuildDirectoryThread(&builder, volume->GetAs512SectorDevice(), callback, 2, 0, pump);
    if (result) *result = builder.GetResult();
    return root;
}
