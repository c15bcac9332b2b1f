// What the found-file controller sees of its page: the tree on show (which the page owns from ShowRoot
// to ClearRoot) and the page's message boxes. User-interface thread only.
#pragma once

class CFileSystemNode;

class IFileSelectView {
public:
    virtual ~IFileSelectView() = default;
    // Shows a new tree, freeing the one on show.
    virtual void ShowRoot(CFileSystemNode* root) = 0;
    // Frees the tree on show.
    virtual void ClearRoot() = 0;
    virtual CFileSystemNode* GetRoot() = 0;
    // A message box of the page with a string resource; returns the button pressed.
    virtual int ShowMessage(unsigned stringId, unsigned type) = 0;
    // The wait cursor while the tree is dropped.
    virtual void SetWaitCursor(bool wait) = 0;
};
