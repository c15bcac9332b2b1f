// Drawing, clicks and sorting of the found-file report list.
#include "views/files/CListCtrlPlus.h"

#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ShellFileInfo.h"
#include "controls/TreeStateImages.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileListModel.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"

#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kBox = 16;

// The small icon of a name's type, kept per extension.
QIcon SmallIconOf(const char* name)
{
    static QHash<QString, QIcon> cache;
    std::string ext = NameExtension(name);
    std::string probe =
        ext.empty() ? std::string(name).substr(std::string(name).size() > 20 ? std::string(name).size() - 20 : 0)
                    : "1" + ext;
    const QString key = QString::fromStdString(probe);
    auto it = cache.find(key);
    if (it != cache.end()) return *it;
    SHFILEINFOA info;
    const std::uintptr_t list = SafeGetFileInfo(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON);
    QIcon icon = list ? ImageListFromResult(list)->GetIcon(info.iIcon) : QIcon();
    cache.insert(key, icon);
    return icon;
}

class NameDelegate : public QStyledItemDelegate {
public:
    explicit NameDelegate(CListCtrlPlus* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        auto* model = static_cast<const CFileListModel*>(index.model());
        const CFileNode* node = model->NodeAt(index.row());
        const IFileProperties* props = node ? node->GetProperties() : nullptr;
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QRect r = option.rect;
        const int top = r.top() + (r.height() - kBox) / 2;
        // The cell's background across the whole width, then the text right of check box and icon.
        const QWidget* w = option.widget;
        QStyleOptionViewItem back = opt;
        back.text.clear();
        back.icon = QIcon();
        back.features &= ~QStyleOptionViewItem::HasDecoration;
        w->style()->drawControl(QStyle::CE_ItemViewItem, &back, p, w);
        QStyleOptionViewItem text = back;
        text.text = opt.text;
        text.rect = r.adjusted(2 * kBox + 6, 0, 0, 0);
        text.state &= ~QStyle::State_HasFocus;
        w->style()->drawControl(QStyle::CE_ItemViewItem, &text, p, w);
        const int state = props ? props->GetCheckState() : 0;
        const QList<QImage>& boxes = m_list->CheckImages();
        const int image = state == kCheckAll ? 3 : 1;
        if (image < boxes.size()) p->drawImage(r.left() + 2, top, boxes[image]);
        if (props) {
            const QIcon icon = SmallIconOf(props->GetName());
            icon.paint(p, QRect(r.left() + kBox + 4, top, kBox, kBox));
            if ((props->GetValidMask() & kValidState) && (props->GetState() & kFileStateDeleted))
                p->drawImage(r.left() + kBox + 4, std::min(top + 5, r.bottom() + 1 - m_list->DeletedMark().height()),
                             m_list->DeletedMark());
        }
    }

    // Tall enough for the deleted mark below the icon's top.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize base = QStyledItemDelegate::sizeHint(option, index);
        return QSize(base.width() + 2 * kBox + 6, std::max(base.height(), kBox + 2));
    }

private:
    CListCtrlPlus* m_list;
};

} // namespace

CListCtrlPlus::CListCtrlPlus(CFileListCtrl* owner, CFileListModel* model, QWidget* parent)
    : QTreeView(parent), m_owner(owner), m_model(model)
{
    setModel(model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFont(CreateControlFont());
    setItemDelegateForColumn(kColumnName, new NameDelegate(this));
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < kFileListColumnCount; ++c) header()->resizeSection(c, FileListColumnWidth(c));
    connect(header(), &QHeaderView::sectionClicked, this, &CListCtrlPlus::OnColumnClick);
    m_deletedMark =
        CMaskedBitmap::MaskedImage(CResourceLibrary::Instance().LoadBitmap(kDeletedMarkBitmap), RGB(255, 0, 255));
}

CListCtrlPlus::~CListCtrlPlus() = default;

void CListCtrlPlus::SetCheckImages(unsigned bitmapId)
{
    m_checkImages = SplitImageStrip(CResourceLibrary::Instance().LoadBitmap(bitmapId), kBox, RGB(255, 0, 0));
    viewport()->update();
}

QRect CListCtrlPlus::CheckRect(int row) const
{
    const QRect r = visualRect(m_model->index(row, kColumnName));
    if (!r.isValid()) return {};
    return QRect(r.left() + 2, r.top() + (r.height() - kBox) / 2, kBox, kBox);
}

int CListCtrlPlus::FirstSelected() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CListCtrlPlus::SelectRow(int row)
{
    const QModelIndex i = m_model->index(row, 0);
    if (!i.isValid()) return;
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(i, QAbstractItemView::EnsureVisible);
}

bool CListCtrlPlus::OnCheckBox(QMouseEvent* e) const
{
    const QModelIndex i = indexAt(e->position().toPoint());
    return i.isValid() && CheckRect(i.row()).contains(e->position().toPoint());
}

bool CListCtrlPlus::ClickCheck(QMouseEvent* e)
{
    const QModelIndex i = indexAt(e->position().toPoint());
    if (!i.isValid() || !CheckRect(i.row()).contains(e->position().toPoint())) return false;
    m_owner->ToggleFileCheck(m_model->NodeAt(i.row()));
    m_model->RowChanged(i.row());
    return true;
}

void CListCtrlPlus::mousePressEvent(QMouseEvent* e)
{
    m_pressToggled = e->button() == Qt::LeftButton && ClickCheck(e);
    QTreeView::mousePressEvent(e);
}

void CListCtrlPlus::mouseReleaseEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    QTreeView::mouseReleaseEvent(e);
}

void CListCtrlPlus::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The window system delivers a double click as press, release, double click, release: on a check box
    // the double click is the second toggle, unless its press came on its own as well and toggled.
    if (e->button() == Qt::LeftButton && OnCheckBox(e)) {
        if (!m_pressToggled) ClickCheck(e);
        m_pressToggled = true;
        return;
    }
    QTreeView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton && FirstSelected() >= 0) m_owner->OnCommand(CFileListCtrl::kCmdOpen);
}

void CListCtrlPlus::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        const int row = currentIndex().row();
        if (CFileNode* node = m_model->NodeAt(row)) {
            m_owner->ToggleFileCheck(node);
            m_model->RowChanged(row);
        }
        e->accept();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && FirstSelected() >= 0) {
        m_owner->OnCommand(CFileListCtrl::kCmdOpen);
        e->accept();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void CListCtrlPlus::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex i = indexAt(viewport()->mapFromGlobal(e->globalPos()));
    if (i.isValid()) SelectRow(i.row());
    if (FirstSelected() >= 0) m_owner->ShowContextMenu();
}

void CListCtrlPlus::OnColumnClick(int column)
{
    if (column < 0 || column >= int(m_sortDown.size())) return;
    const bool descending = m_sortDown[size_t(column)];
    m_sortDown[size_t(column)] = !descending;
    m_owner->SortItems(column, descending);
    m_model->SetSortArrow(column, descending ? 2 : 1);
    viewport()->update();
}
