// The report list of the found-file list: one row per file with a check box, the file's icon, the deleted
// mark and coloured names in the first column; a click on a header sorts by that column, alternately
// ascending and descending. Rows come from the owner's vector through CFileListModel.
// User-interface thread only.
#pragma once

#include <QImage>
#include <QList>
#include <QTreeView>
#include <array>

class CFileListCtrl;
class CFileListModel;
class CFileNode;

class CListCtrlPlus : public QTreeView {
    Q_OBJECT
public:
    CListCtrlPlus(CFileListCtrl* owner, CFileListModel* model, QWidget* parent = nullptr);
    ~CListCtrlPlus() override;

    // The check images from a strip (16 pixels per image, red transparent).
    void SetCheckImages(unsigned bitmapId);
    const QList<QImage>& CheckImages() const { return m_checkImages; }
    const QImage& DeletedMark() const { return m_deletedMark; }

    // The check box of a row, in viewport coordinates (empty when the row is not shown).
    QRect CheckRect(int row) const;
    // What a click on a column header does: sort, flip the column's direction, move the arrow.
    void OnColumnClick(int column);
    bool IsDescendingNext(int column) const { return m_sortDown[size_t(column)]; }

    int FirstSelected() const;
    void SelectRow(int row);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    bool ClickCheck(QMouseEvent* e);
    bool m_pressToggled = false; // the last press toggled a box and no release has come since
    bool OnCheckBox(QMouseEvent* e) const;

    CFileListCtrl* m_owner;  // not owned
    CFileListModel* m_model; // not owned
    QList<QImage> m_checkImages;
    QImage m_deletedMark;
    std::array<bool, 10> m_sortDown{};
};
