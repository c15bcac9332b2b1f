// The rows both found-file lists show: a view of the file list's vector of nodes (not owned), asked only
// for the rows on screen, so that a folder of any size lists at once. User-interface thread only.
#pragma once

#include <QAbstractTableModel>
#include <QImage>
#include <vector>

class CFileNode;

class CFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CFileListModel(QObject* parent = nullptr);
    ~CFileListModel() override;

    // Points at the items (null for none) and resets the views.
    void SetItems(const std::vector<CFileNode*>* items);
    const std::vector<CFileNode*>* Items() const { return m_items; }
    CFileNode* NodeAt(int row) const;
    // The rows changed in place (a sort) or their check states did.
    void RowsChanged();
    void RowChanged(int row);
    // The header arrow: image 1 up, 2 down, on one column (-1 none).
    void SetSortArrow(int column, int image);
    int SortColumn() const { return m_sortColumn; }
    int SortImage() const { return m_sortImage; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<CFileNode*>* m_items = nullptr;
    int m_sortColumn = -1;
    int m_sortImage = 0;
    QList<QImage> m_arrows;
};
