// The folder tree and the file list of the found-file page side by side in a splitter whose tree pane keeps
// its width (it starts at 240 pixels and grows with the labels of the folders unfolded until the user drags
// the bar, between 120 and 600); the two panes are linked to each other.
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
    static constexpr int kTreeWidth = 240, kTreeMinWidth = 120, kTreeMaxWidth = 600;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void FitTreePane();

    CExSplitterWnd* m_splitter;
    CFileTreeCtrl* m_tree;
    CFileListCtrl* m_list;
    bool m_userSized = false; // the user dragged the bar: the pane keeps what they chose
};
