// Search walk: an explicit stack, so a deep tree cannot exhaust the call stack.
#include "views/search/FoundFileSearch.h"

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CSearchFileFilter.h"
#include "views/search/CFoundFileList.h"

#include <vector>

int SearchFoundFiles(CFileSystemNode* root, CFileNode* location, const CSearchFileFilter& filter, bool autoSelect,
                     CFoundFileList& found)
{
    if (!location) return 0;
    const int before = found.GetCount();
    // Each entry is the next child to visit at one level.
    std::vector<CFileNode*> stack{location->GetFirstChild()};
    while (!stack.empty()) {
        CFileNode* child = stack.back();
        if (!child) {
            stack.pop_back();
            continue;
        }
        stack.back() = child->GetNextSibling();
        const IFileProperties* p = child->GetProperties();
        if (p && !(p->GetAttributes() & kFileAttrDirectory) && filter.IsMatch(child)) {
            if (autoSelect && root && p->GetCheckState() != kCheckAll) root->ToggleCheckState(child, false);
            found.Add(child);
        }
        stack.push_back(child->GetFirstChild());
    }
    return found.GetCount() - before;
}
