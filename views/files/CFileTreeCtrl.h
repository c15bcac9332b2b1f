// The left pane of the found-file page: the folders of a found-file tree with tri-state checks and the
// number of entries each folder holds. Selecting a folder lists its files in the linked file list;
// toggling a folder's check runs on a worker thread while the window keeps handling events behind a
// wait window. User-interface thread only; the tree is not owned.
#pragma once

#include <QWidget>

class CFileListCtrl;
class IFileProperties;
class CFileNode;
class CFileSystemNode;
class CTreeCtrlPlus;
class QTreeWidgetItem;

class CFileTreeCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTreeId = 1314;

    explicit CFileTreeCtrl(QWidget* parent = nullptr);
    ~CFileTreeCtrl() override;

    void SetImages(unsigned uCheckboxImageID, unsigned uFloderImageID);
    void SetFileListCtrl(CFileListCtrl* pFileListCtrl);
    // Receives UM_SELECTION_TOTALS after every check change made here.
    void SetNotifyWnd(QObject* pWnd);
    // Replaces the shown tree (the linked list is emptied first, so neither keeps the old tree's nodes);
    // null shows nothing.
    void SetRootNode(CFileSystemNode* root);
    CFileSystemNode* GetRootNode() const { return m_root; }

    QTreeWidgetItem* GetSelectedItem() const;
    CFileNode* GetItemData(const QTreeWidgetItem* item) const;
    bool SelectNodeItem(CFileNode* folder, QTreeWidgetItem** item);
    void UpdateAllCheckImages();
    // Check images of the item, of everything below it and of its ancestors.
    void RefreshBranch(QTreeWidgetItem* item);

    // Toggles the folder of item and everything below it (a partial or empty folder becomes all
    // checked, a fully checked one unchecked).
    void ToggleCheck(QTreeWidgetItem* item);
    void OnSelChanged(QTreeWidgetItem* item);
    void OnRClick() {}

    CTreeCtrlPlus* Tree() const { return m_tree; }
    // A folder's name as the tree shows it: the folders the search makes ("Raw Files", "Lost Folders") in
    // the interface language, every other one as found.
    static QString DisplayFolderName(const IFileProperties* p);
    // The width that shows the labels of the expanded folders whole (the tree's frame and scroll bar in).
    int LabelsWidth() const;
    // Folder image of a node: 4 temporary, 3 lost or RAW, 2 deleted, 0 file-system node, 1 other folders.
    static int FolderImageOf(const CFileNode* node);

signals:
    // A new tree was put in (SetRootNode with a root) or a folder was unfolded.
    void LabelsChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void InsertFolder(CFileNode* node, QTreeWidgetItem* parent);
    void SetCheckImage(QTreeWidgetItem* item);
    void RefreshSubtree(QTreeWidgetItem* item);
    void RefreshUpward(QTreeWidgetItem* item);
    void RunToggle(CFileNode* node, QTreeWidgetItem* item);

    CTreeCtrlPlus* m_tree;
    CFileListCtrl* m_list = nullptr;   // not owned
    CFileSystemNode* m_root = nullptr; // not owned
    QObject* m_notify = nullptr;       // not owned
    CFileNode* m_toggledNode = nullptr;
    QTreeWidgetItem* m_toggledItem = nullptr;
    bool m_toggling = false;
};
