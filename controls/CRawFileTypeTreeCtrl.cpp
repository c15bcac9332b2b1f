// The tri-state file-type check tree.
#include "controls/CRawFileTypeTreeCtrl.h"

#include "controls/TreeStateImages.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

int LabelWidth(const QTreeWidget* tree, const QTreeWidgetItem* item)
{
    return tree->fontMetrics().horizontalAdvance(item->text(0)) + 6;
}

} // namespace

// Draws an item as its state image followed by its text.
class CRawFileTypeTreeDelegate : public QStyledItemDelegate {
public:
    explicit CRawFileTypeTreeDelegate(CRawFileTypeTreeCtrl* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        const TreeItemLayout l = LayoutTreeItem(option.rect, CRawFileTypeTreeCtrl::kStateWidth,
                                                CRawFileTypeTreeCtrl::kPictureWidth, LabelWidth(m_tree, item));
        const int image = GetItemStateImage(item);
        if (image > 0 && image < m_tree->m_stateImages.size()) {
            const QImage& img = m_tree->m_stateImages[image];
            p->drawImage(l.state.left(), l.state.top() + (l.state.height() - img.height()) / 2, img);
        }
        const QIcon icon = item->icon(0);
        if (!icon.isNull()) {
            const int side = CRawFileTypeTreeCtrl::kIconSize;
            const QRect box(l.picture.left() + (l.picture.width() - side) / 2,
                            l.picture.top() + (l.picture.height() - side) / 2, side, side);
            icon.paint(p, box, Qt::AlignCenter, m_tree->isEnabled() ? QIcon::Normal : QIcon::Disabled);
        }
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) p->fillRect(l.label, option.palette.highlight());
        p->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        p->setFont(option.font);
        p->drawText(l.label.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text(0));
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        return QSize(CRawFileTypeTreeCtrl::kStateWidth + CRawFileTypeTreeCtrl::kPictureWidth + LabelWidth(m_tree, item),
                     std::max(CRawFileTypeTreeCtrl::kStateWidth, option.fontMetrics.height()) + 2);
    }

private:
    CRawFileTypeTreeCtrl* m_tree;
};

CRawFileTypeTreeCtrl::CRawFileTypeTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setItemDelegate(new CRawFileTypeTreeDelegate(this));
}

CRawFileTypeTreeCtrl::~CRawFileTypeTreeCtrl() = default;

void CRawFileTypeTreeCtrl::SetStateImageList(const QList<QImage>& images)
{
    m_stateImages = images;
    viewport()->update();
}

HTREEITEM CRawFileTypeTreeCtrl::InsertItem(const QString& text, uint32_t data, HTREEITEM parent)
{
    auto* item = new QTreeWidgetItem(QStringList(text));
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    SetItemData(item, data);
    SetItemStateImage(item, int(data & 0xFFFF) + 1);
    return item;
}

uint32_t CRawFileTypeTreeCtrl::GetItemData(HTREEITEM item)
{
    return item ? item->data(0, Qt::UserRole).toUInt() : 0;
}

void CRawFileTypeTreeCtrl::SetItemData(HTREEITEM item, uint32_t data)
{
    if (item) item->setData(0, Qt::UserRole, data);
}

void CRawFileTypeTreeCtrl::SetState(HTREEITEM item, int nState, int nImage)
{
    SetItemData(item, (GetItemData(item) & 0xFFFF0000u) | (uint32_t(nState) & 0xFFFF));
    SetItemStateImage(item, nImage);
}

void CRawFileTypeTreeCtrl::CheckType(int nTypeId)
{
    for (int g = 0; g < topLevelItemCount(); ++g) {
        HTREEITEM group = topLevelItem(g);
        for (int t = 0; t < group->childCount(); ++t)
            if (GetTypeId(group->child(t)) == nTypeId) SetState(group->child(t), 2, 3);
        UpdateParentState(group);
    }
    viewport()->update();
}

void CRawFileTypeTreeCtrl::SetSubtreeState(HTREEITEM hItem, int nState, int nImage)
{
    if (!hItem) return;
    for (int i = 0; i < hItem->childCount(); ++i) SetState(hItem->child(i), nState, nImage);
    SetState(hItem, nState, nImage);
    viewport()->update();
}

void CRawFileTypeTreeCtrl::UpdateParentState(HTREEITEM hParent)
{
    if (!hParent) return;
    const int n = hParent->childCount();
    int c = 0;
    for (int i = 0; i < n; ++i)
        if (GetCheckState(hParent->child(i)) == 2) ++c;
    const int state = (c > 0 && c == n) ? 2 : (c > 0 ? 1 : 0);
    SetState(hParent, state, state + 1);
    viewport()->update();
}

void CRawFileTypeTreeCtrl::ToggleItem(HTREEITEM hItem)
{
    if (!hItem) return;
    const int state = GetCheckState(hItem) == 2 ? 0 : 2;
    if (hItem->childCount() > 0) {
        SetSubtreeState(hItem, state, state + 1);
    } else {
        SetState(hItem, state, state + 1);
        UpdateParentState(hItem->parent());
    }
    viewport()->update();
}

unsigned CRawFileTypeTreeCtrl::HitTest(const QPoint& pt, HTREEITEM* item) const
{
    return HitTestTree(this, pt, kStateWidth, kPictureWidth, LabelWidth, item);
}

bool CRawFileTypeTreeCtrl::ToggleAt(const QPoint& pt)
{
    HTREEITEM item = nullptr;
    if (HitTest(pt, &item) != TVHT_ONITEMSTATEICON || !item) return false;
    ToggleItem(item);
    return true;
}

void CRawFileTypeTreeCtrl::mousePressEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    if (e->button() == Qt::LeftButton && ToggleAt(e->position().toPoint())) {
        m_pressToggled = true;
        e->accept();
        return;
    }
    QTreeWidget::mousePressEvent(e);
}

void CRawFileTypeTreeCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    QTreeWidget::mouseReleaseEvent(e);
}

void CRawFileTypeTreeCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The window system delivers a double click as press, release, double click, release: the double
    // click stands for the second press and toggles again. Should the second press have come on its own
    // as well (no release between it and the double click), that press has toggled already. Either way
    // the double click does not expand the item.
    HTREEITEM item = nullptr;
    if (e->button() == Qt::LeftButton && HitTest(e->position().toPoint(), &item) == TVHT_ONITEMSTATEICON) {
        if (item && !m_pressToggled) ToggleItem(item);
        m_pressToggled = true;
        e->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(e);
}
