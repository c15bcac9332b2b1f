// The columns of the found-file list: what each cell shows, the extension of a name, and the order of
// a column sort (stable, files without the column's value last in either direction).
#pragma once

#include <string>
#include <vector>

class CFileNode;

enum : int {
    kColumnName = 0,
    kColumnSize = 1,
    kColumnType = 2,
    kColumnModified = 3,
    kColumnCreated = 4,
    kColumnAccessed = 5,
    kFileListColumnCount = 6,
};

// Title string id and width in pixels of a column.
unsigned FileListColumnTitle(int column);
int FileListColumnWidth(int column);

// The part of a name from its last "." on (the dot included), taken after the last path separator;
// empty when there is none.
std::string NameExtension(const char* name);
// The cell text of a node; empty when the column's valid-field bit is clear or the node has no properties.
std::string FileListCellText(const CFileNode* node, int column);
// Whether the node has the value a column shows and sorts by.
bool HasColumnValue(const CFileNode* node, int column);
// Sorts by the column's value; nodes without it keep their order after all the others, and equal values
// keep their order too. Any other column leaves the order as it is.
void SortFileNodes(std::vector<CFileNode*>& nodes, int column, bool descending);
