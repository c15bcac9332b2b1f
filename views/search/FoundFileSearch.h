// The search dialog's walk: every file (not folder) below a location that the filter accepts, depth
// first in the tree's child order, optionally checked as it is found.
#pragma once

class CFileNode;
class CFileSystemNode;
class CFoundFileList;
class CSearchFileFilter;

// Visits every descendant of location but not location itself. With autoSelect, a found file that is
// not yet checked is checked through root (statistics and ancestors follow). Returns the number added.
int SearchFoundFiles(CFileSystemNode* root, CFileNode* location, const CSearchFileFilter& filter, bool autoSelect,
                     CFoundFileList& found);
