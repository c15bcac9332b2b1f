// The folder tree and the file list of the found-file page side by side in a splitter whose tree pane keeps
// its width (200 pixels, dragged between 100 and 400); the two panes are linked to each other.
#pragma once

#include <QWidget>

class CExSplitterWnd;
class CFileListCtrl;
class CFileTreeCtrl;

class CFileSelectCtrlContainer : public QWidget {
    Q_OBJECT
public:
    explicit CFileSelectCtrlContainer(QWidget* parent = nullptr);
    ~CFileSelectCtrlContainer() override;

    CFileTreeCtrl* GetFileTreeCtrl() const { return m_tree; }
    CFileListCtrl* GetFileListCtrl() const { return m_list; }
    CExSplitterWnd* Splitter() const { return m_splitter; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CExSplitterWnd* m_splitter;
    CFileTreeCtrl* m_tree;
    CFileListCtrl* m_list;
};
