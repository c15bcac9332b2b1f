// The folder tree inside CFileTreeCtrl: one item per folder, with its check-state image and folder mark
// before the label; clicks on the check image and the space key toggle the folder through the owner.
// User-interface thread only.
#pragma once

#include <QImage>
#include <QList>
#include <QTreeWidget>

class CFileNode;
class CFileTreeCtrl;

class CTreeCtrlPlus : public QTreeWidget {
    Q_OBJECT
public:
    // The width column 0 needs for the rows unfolded now.
    int ContentWidth() const { return sizeHintForColumn(0); }
    static constexpr int kImageWidth = 16;
    static constexpr int kNodeRole = Qt::UserRole + 1;
    static constexpr int kFolderImageRole = Qt::UserRole + 2;

    explicit CTreeCtrlPlus(CFileTreeCtrl* owner, QWidget* parent = nullptr);
    ~CTreeCtrlPlus() override;

    void SetImageLists(unsigned uCheckboxImageID, unsigned uFloderImageID);
    const QList<QImage>& StateImages() const { return m_stateImages; }
    const QList<QImage>& FolderImages() const { return m_folderImages; }

    static CFileNode* NodeOf(const QTreeWidgetItem* item);
    // The hit-test result (TVHT_...) at a viewport point, and the item there.
    unsigned HitTest(const QPoint& pt, QTreeWidgetItem** item) const;
    // The check image's rectangle of an item, in viewport coordinates.
    QRect StateImageRect(const QTreeWidgetItem* item) const;

    void SortAllItems();
    void SortItemChildren(QTreeWidgetItem* item);
    bool SelectNode(CFileNode* node, QTreeWidgetItem** out);
    bool FindAndSelectNode(CFileNode* node, QTreeWidgetItem* start, QTreeWidgetItem** out);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    bool m_pressToggled = false; // the last press toggled a check and no release has come since
    bool OnButtonDown(QMouseEvent* e);
    void Reveal(QTreeWidgetItem* item);

    CFileTreeCtrl* m_owner; // not owned
    QList<QImage> m_stateImages;
    QList<QImage> m_folderImages;
};
