// The right side of the found-file page: the files of one folder (or of a search result) in a report list
// or as thumbnails over one vector of nodes, with check boxes, column sorting, the View menu, four
// optional tool buttons and the context menu. Its thumbnail loader (CThumbnailLoader) makes the thumbnails
// on a thread of its own and posts each row back. The widget itself is user-interface thread only.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

class CBreviaryImageListCtrl;
class CButtonPlus;
class CFileListModel;
class CFileNode;
class CFileSystemNode;
class CFileTreeCtrl;
class CListCtrlPlus;
class CMessagePort;
class CThumbnailLoader;
class IStorageDevice;
class QAbstractItemView;
class QMenu;
class QTreeWidgetItem;

class CFileListCtrl : public QWidget {
    Q_OBJECT
public:
    enum : unsigned {
        kCmdView = 1000,
        kCmdSelectAll = 1001,
        kCmdDeselectAll = 1002,
        kCmdStates = 1003,
        kCmdList = 1010,
        kCmdThumbnail = 1011,
        kCmdOpen = 1173,
        kCmdPreview = 5002,
        kCmdRecover = 5003,
        kCmdLocate = 5004,
    };
    static constexpr int kListId = 1314;
    static constexpr size_t kReservedItems = 3000;

    explicit CFileListCtrl(QWidget* parent = nullptr);
    // Stops the loader, waiting for the thumbnail it is making.
    ~CFileListCtrl() override;

    void SetNotifyWnd(QObject* pWnd);
    void SetFileTreeCtrl(CFileTreeCtrl* pFileTreeCtrl);
    void SetCheckImageList(unsigned uImageListID);
    // The device thumbnails are read from; not owned.
    void SetSourceDevice(IStorageDevice* device);
    void CreateViewButton(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable);
    void CreateSelectAllButton(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable);
    void CreateDeselectAllButton(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable);
    void CreateStatesButton(unsigned uNormal, unsigned uHover, unsigned uPush, unsigned uDisable);

    // Lists the files (not the folders) of folder, whose tree item is item.
    void ShowFolder(CFileSystemNode* root, CFileNode* folder, QTreeWidgetItem* item);
    // Lists the given nodes (search results), with no folder item.
    void SetItems(CFileSystemNode* root, const std::vector<CFileNode*>& nodes);
    // Empties both lists, waiting for a thumbnail in the making; call it before the listed tree is freed.
    void ClearItems();

    QAbstractItemView* GetActiveList() const;
    int GetSelectedItem() const;
    CFileNode* GetItemNode(int index) const;
    QTreeWidgetItem* GetCurrentFolderItem() const { return m_folderItem; }
    int GetViewMode() const { return m_viewMode; }
    const std::vector<CFileNode*>& Items() const { return m_items; }

    bool SelectNode(CFileNode* node);
    void ToggleFileCheck(CFileNode* node);
    void RepaintActiveList();
    // The context menu of the selected row: Preview, Recovery and, for search results, Locate.
    std::unique_ptr<QMenu> BuildContextMenu();
    void ShowContextMenu();
    // The menu and button commands (ids above); the page's commands are passed on through Command.
    void OnCommand(unsigned id);
    // Sorts the items by a column (the report list's header click).
    void SortItems(int column, bool descending);

    // Thumbnails. The range request of the thumbnail list (rows first..last; newest first, at most 40).
    void OnThumbnailRange(int first, int last);
    // Whether the cache holds an entry for row made for node; image: the picture (null: show the icon).
    bool CachedThumbnail(int row, const CFileNode* node, QImage* image) const;
    std::vector<int> PendingThumbnails() const;
    size_t CachedThumbnailCount() const;

    CListCtrlPlus* ReportList() const { return m_report; }
    CBreviaryImageListCtrl* ThumbnailList() const { return m_thumbs; }
    QMenu* ViewMenu() const { return m_viewMenu; }
    CButtonPlus* Button(unsigned id) const;

signals:
    // Commands for the page: kCmdOpen, kCmdPreview, kCmdRecover, kCmdLocate.
    void Command(unsigned id);

protected:
    void customEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void MakeButton(int slot, unsigned id, unsigned captionId, unsigned uNormal, unsigned uHover, unsigned uPush,
                    unsigned uDisable);
    void Layout();
    void Fill(CFileSystemNode* root, QTreeWidgetItem* item);
    void SetAllChecks(bool checked);
    void SwitchView(int mode);
    void SelectRowIn(int mode, int row);
    void StartLoader();

    CFileListModel* m_model;
    CListCtrlPlus* m_report;
    CBreviaryImageListCtrl* m_thumbs;
    QMenu* m_viewMenu;
    CButtonPlus* m_buttons[4] = {};
    CFileSystemNode* m_root = nullptr; // not owned
    CFileTreeCtrl* m_tree = nullptr;   // not owned
    QTreeWidgetItem* m_folderItem = nullptr;
    QObject* m_notify = nullptr;        // not owned
    IStorageDevice* m_device = nullptr; // not owned
    std::vector<CFileNode*> m_items;    // the rows; the loader gets a copy at every change
    int m_viewMode = 1;
    std::shared_ptr<CMessagePort> m_port;
    std::unique_ptr<CThumbnailLoader> m_loader;
};
