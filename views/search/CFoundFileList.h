// The files one search found, in the order the walk met them. The nodes belong to the found-file tree.
#pragma once

#include <vector>

class CFileNode;

class CFoundFileList {
public:
    void Add(CFileNode* node)
    {
        m_nodes.push_back(node);
        ++m_count;
    }
    int GetCount() const { return m_count; }
    const std::vector<CFileNode*>& GetNodes() const { return m_nodes; }

private:
    int m_count = 0;
    std::vector<CFileNode*> m_nodes; // not owned
};
