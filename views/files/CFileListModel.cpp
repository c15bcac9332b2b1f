// Cell texts, colours and header of the found-file lists.
#include "views/files/CFileListModel.h"

#include "controls/CResourceLibrary.h"
#include "controls/TreeStateImages.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"

#include <QBrush>
#include <QColor>

CFileListModel::CFileListModel(QObject* parent) : QAbstractTableModel(parent)
{
    m_arrows = SplitImageStrip(CResourceLibrary::Instance().LoadBitmap(kSortArrowBitmap), 12, RGB(255, 0, 255));
}

CFileListModel::~CFileListModel() = default;

void CFileListModel::SetItems(const std::vector<CFileNode*>* items)
{
    beginResetModel();
    m_items = items;
    endResetModel();
}

CFileNode* CFileListModel::NodeAt(int row) const
{
    return m_items && row >= 0 && size_t(row) < m_items->size() ? (*m_items)[size_t(row)] : nullptr;
}

void CFileListModel::RowsChanged()
{
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kFileListColumnCount - 1));
}

void CFileListModel::RowChanged(int row)
{
    if (row >= 0 && row < rowCount()) emit dataChanged(index(row, 0), index(row, kFileListColumnCount - 1));
}

void CFileListModel::SetSortArrow(int column, int image)
{
    m_sortColumn = column;
    m_sortImage = image;
    emit headerDataChanged(Qt::Horizontal, 0, kFileListColumnCount - 1);
}

int CFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_items ? 0 : int(m_items->size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFileListColumnCount;
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const
{
    const CFileNode* node = NodeAt(index.row());
    if (!node) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(FileListCellText(node, index.column()));
    if (role == Qt::ForegroundRole && index.column() == kColumnName) {
        const IFileProperties* p = node->GetProperties();
        if (p && (p->GetAttributes() & kFileAttrCompressed)) return QBrush(QColor(0, 0, 255));
        if (p && (p->GetAttributes() & kFileAttrEncrypted)) return QBrush(QColor(0, 160, 0));
    }
    return {};
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kFileListColumnCount) return {};
    if (role == Qt::DisplayRole) return CResourceLibrary::Instance().LoadString(FileListColumnTitle(section));
    if (role == Qt::DecorationRole && section == m_sortColumn && m_sortImage > 0 && m_sortImage < m_arrows.size())
        return m_arrows[m_sortImage];
    return {};
}
