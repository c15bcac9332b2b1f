// Drawing, hit tests, sorting and searching of the folder tree.
#include "views/files/CTreeCtrlPlus.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/TreeStateImages.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Log.h"
#include "views/files/CFileTreeCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kLabelGap = 3;

int LabelWidth(const QTreeWidget* tree, const QTreeWidgetItem* item)
{
    return tree->fontMetrics().horizontalAdvance(item->text(0)) + 2 * kLabelGap;
}

// Draws state image, folder image and label in the layout the hit test uses.
class FolderDelegate : public QStyledItemDelegate {
public:
    explicit FolderDelegate(CTreeCtrlPlus* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        const QString text = index.data(Qt::DisplayRole).toString();
        const int w = CTreeCtrlPlus::kImageWidth;
        const TreeItemLayout l =
            LayoutTreeItem(option.rect, w, w, option.fontMetrics.horizontalAdvance(text) + 2 * kLabelGap);
        const int state = GetItemStateImage(item);
        const int top = option.rect.top() + (option.rect.height() - w) / 2;
        if (state > 0 && state < m_tree->StateImages().size())
            p->drawImage(l.state.left(), top, m_tree->StateImages()[state]);
        const int folder = index.data(CTreeCtrlPlus::kFolderImageRole).toInt();
        if (folder >= 0 && folder < m_tree->FolderImages().size())
            p->drawImage(l.picture.left(), top, m_tree->FolderImages()[folder]);
        QRect label = l.label;
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) {
            const bool active = m_tree->hasFocus();
            p->fillRect(label, active ? option.palette.highlight() : QBrush(QColor(0xd9, 0xd9, 0xd9)));
            p->setPen(active ? option.palette.highlightedText().color() : option.palette.text().color());
        } else {
            p->setPen(option.palette.text().color());
        }
        p->setFont(option.font);
        p->drawText(label.adjusted(kLabelGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        return QSize(2 * CTreeCtrlPlus::kImageWidth + option.fontMetrics.horizontalAdvance(text) + 2 * kLabelGap + 2,
                     std::max(18, option.fontMetrics.height() + 2));
    }

private:
    CTreeCtrlPlus* m_tree;
};

bool TextLess(const QTreeWidgetItem* a, const QTreeWidgetItem* b)
{
    return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
}

} // namespace

CTreeCtrlPlus::CTreeCtrlPlus(CFileTreeCtrl* owner, QWidget* parent) : QTreeWidget(parent), m_owner(owner)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new FolderDelegate(this));
    setFont(CreateControlFont());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
}

CTreeCtrlPlus::~CTreeCtrlPlus() = default;

void CTreeCtrlPlus::SetImageLists(unsigned uCheckboxImageID, unsigned uFloderImageID)
{
    LogInfo("------------------------ParmInfo:UINT uCheckboxImageID=%x, UINT uFloderImageID=%x", uCheckboxImageID,
            uFloderImageID);
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    m_folderImages = SplitImageStrip(lib.LoadBitmap(uFloderImageID), kImageWidth, RGB(255, 0, 255));
    m_stateImages = SplitImageStrip(lib.LoadBitmap(uCheckboxImageID), kImageWidth, RGB(255, 0, 0));
    viewport()->update();
}

CFileNode* CTreeCtrlPlus::NodeOf(const QTreeWidgetItem* item)
{
    return item ? static_cast<CFileNode*>(item->data(0, kNodeRole).value<void*>()) : nullptr;
}

unsigned CTreeCtrlPlus::HitTest(const QPoint& pt, QTreeWidgetItem** item) const
{
    return HitTestTree(this, pt, kImageWidth, kImageWidth, LabelWidth, item);
}

QRect CTreeCtrlPlus::StateImageRect(const QTreeWidgetItem* item) const
{
    const QRect r = visualItemRect(item);
    return QRect(r.left(), r.top(), kImageWidth, r.height());
}

bool CTreeCtrlPlus::OnButtonDown(QMouseEvent* e)
{
    QTreeWidgetItem* item = nullptr;
    if (HitTest(e->position().toPoint(), &item) == TVHT_ONITEMSTATEICON && item) {
        m_owner->ToggleCheck(item);
        return true;
    }
    return false;
}

void CTreeCtrlPlus::mousePressEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    if (e->button() == Qt::LeftButton && OnButtonDown(e)) {
        m_pressToggled = true;
        return;
    }
    if (e->button() == Qt::RightButton) {
        QTreeWidgetItem* item = nullptr;
        if (HitTest(e->position().toPoint(), &item) == TVHT_ONITEMLABEL && item) setCurrentItem(item);
    }
    QTreeWidget::mousePressEvent(e);
}

void CTreeCtrlPlus::mouseReleaseEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    QTreeWidget::mouseReleaseEvent(e);
}

void CTreeCtrlPlus::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The window system delivers a double click as press, release, double click, release: on a check the
    // double click is the second toggle, unless its press came on its own as well and toggled.
    if (e->button() == Qt::LeftButton && HitTest(e->position().toPoint(), nullptr) == TVHT_ONITEMSTATEICON) {
        if (!m_pressToggled) OnButtonDown(e);
        m_pressToggled = true;
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(e);
}

void CTreeCtrlPlus::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space) {
        e->accept();
        return;
    }
    QTreeWidget::keyPressEvent(e);
}

void CTreeCtrlPlus::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space) {
        // Held down, the key repeats releases too: only the real release toggles.
        if (!e->isAutoRepeat())
            if (QTreeWidgetItem* item = currentItem()) m_owner->ToggleCheck(item);
        e->accept();
        return;
    }
    QTreeWidget::keyReleaseEvent(e);
}

void CTreeCtrlPlus::SortItemChildren(QTreeWidgetItem* item)
{
    if (!item) return;
    QList<QTreeWidgetItem*> children = item->takeChildren();
    std::stable_sort(children.begin(), children.end(), TextLess);
    item->addChildren(children);
    const CFileNode* node = NodeOf(item);
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    if (p && (p->GetState() & kFileStateSystemFolder)) return;
    for (QTreeWidgetItem* child : children) SortItemChildren(child);
}

void CTreeCtrlPlus::SortAllItems()
{
    for (int i = 0; i < topLevelItemCount(); ++i) SortItemChildren(topLevelItem(i));
}

void CTreeCtrlPlus::Reveal(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent()) p->setExpanded(true);
    scrollToItem(item);
    setCurrentItem(item);
}

bool CTreeCtrlPlus::SelectNode(CFileNode* node, QTreeWidgetItem** out)
{
    if (out) *out = nullptr;
    if (!node || topLevelItemCount() == 0) return false;
    // Each top-level item (the partitions of a tree built from several) before what lies below them.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = topLevelItem(i);
        if (NodeOf(top) != node) continue;
        top->setExpanded(true);
        Reveal(top);
        if (out) *out = top;
        return true;
    }
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (FindAndSelectNode(node, topLevelItem(i), out)) return true;
    return false;
}

bool CTreeCtrlPlus::FindAndSelectNode(CFileNode* node, QTreeWidgetItem* start, QTreeWidgetItem** out)
{
    // Depth first without recursion, so that a deep tree cannot exhaust the stack.
    std::vector<QTreeWidgetItem*> stack{start};
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        for (int i = item->childCount() - 1; i >= 0; --i) {
            QTreeWidgetItem* child = item->child(i);
            if (NodeOf(child) == node) {
                Reveal(child);
                if (out) *out = child;
                return true;
            }
            if (child->childCount() > 0) stack.push_back(child);
        }
    }
    return false;
}
