// The Name/Value rows of the file properties dialog, chosen by the file system a found node belongs to:
// where its record or directory entry lies, its flags and the runs of its data.
#pragma once

#include <string>
#include <vector>

class CFileNode;

struct FilePropertyRow {
    unsigned nameId = 0; // string id of the row's name
    std::string value;   // the text, when yesNo is -1
    int yesNo = -1;      // 1 yes (string 366), 0 no (367), -1 the text above
};

// Empty without a node or properties, and for kinds that have no rows (ext2, ext3, none).
std::vector<FilePropertyRow> BuildFilePropertyRows(const CFileNode* node);
// Whether the kind has its row in the table of property rows (a row may write nothing of its own); a kind
// without one shows the volume geometry only.
bool HasFilePropertyRowsOfKind(int kind);
