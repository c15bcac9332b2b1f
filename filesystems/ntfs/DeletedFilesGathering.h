// The deleted-file recovery's view of a scanned volume: its deleted, lost and cross-linked files gathered,
// with the folders on the way to them, into a "Deleted Files" folder under a new root.
#pragma once

class CFileNode;
class CFileSystemNode;

// A new root (folder kind 2: shared properties) holding the folder, which is named after the scanned
// partition node and carries its geometry and kind; the root carries them too and its statistics are
// computed (no file counted: nothing was found). The copies share the scanned tree's properties: free the
// root with DeleteFoundTree before the scanned tree. Null only for a null partition node.
CFileSystemNode* GatherDeletedFiles(CFileNode* scannedPartition);
