// The file-type tree over the catalogue.
#include "views/files/CTypeOfFileToRecoveryTreeCtrl.h"

#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/TreeStateImages.h"
#include "platform/Log.h"
#include "views/files/FileTypePictures.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <unordered_set>
#include <vector>

namespace {

constexpr int kPictureRole = Qt::UserRole + 1;

// Gives every row the tree's item height.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    explicit RowHeightDelegate(CTypeOfFileToRecoveryTreeCtrl* tree) : QStyledItemDelegate(tree), m_tree(tree) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        int h = m_tree->GetItemHeight();
        if (h <= 0) {
            h = std::max(option.fontMetrics.height() + 2, CTypeOfFileToRecoveryTreeCtrl::kStateImageSize);
            if (m_tree->HasCategoryImages()) h = std::max(h, CTypeOfFileToRecoveryTreeCtrl::kCategoryImageSize);
        }
        s.setHeight(h);
        return s;
    }

private:
    CTypeOfFileToRecoveryTreeCtrl* m_tree;
};

} // namespace

CTypeOfFileToRecoveryTreeCtrl::CTypeOfFileToRecoveryTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new RowHeightDelegate(this));
}

CTypeOfFileToRecoveryTreeCtrl::~CTypeOfFileToRecoveryTreeCtrl()
{
    // The records outlive nothing of the tree: their item slots are cleared with it.
    for (uint32_t id : m_catalogue.GetIdList()) m_catalogue.Find(id)->treeItem = nullptr;
}

bool CTypeOfFileToRecoveryTreeCtrl::CreateStateImageList(unsigned bitmapId)
{
    InstallFileTypePictures();
    const QImage strip = CResourceLibrary::Instance().LoadBitmap(bitmapId);
    QList<QImage> images = SplitImageStrip(strip, kStateImageSize, RGB(255, 0, 0));
    if (images.isEmpty()) {
        LogError("File-type tree: state images %u cannot be loaded", bitmapId);
        return false;
    }
    m_stateImages = images;
    scheduleDelayedItemsLayout();
    return true;
}

bool CTypeOfFileToRecoveryTreeCtrl::CreateCategoryImageList()
{
    if (!m_categoryImages.isEmpty()) return true;
    InstallFileTypePictures();
    for (std::size_t i = 0; i < kCategoryBitmaps.size(); ++i) {
        const QImage image = CResourceLibrary::Instance().LoadBitmap(kCategoryBitmaps[i]);
        const COLORREF mask = i + 1 < kCategoryBitmaps.size() ? RGB(255, 255, 255) : RGB(252, 252, 252);
        if (image.isNull()) LogError("File-type tree: category picture %u cannot be loaded", kCategoryBitmaps[i]);
        m_categoryImages.append(image.isNull() ? QImage() : CMaskedBitmap::MaskedImage(image, mask));
    }
    scheduleDelayedItemsLayout();
    return true;
}

int CTypeOfFileToRecoveryTreeCtrl::LoadFromXml(const char* path)
{
    clear();
    m_rootItem = nullptr;
    m_catalogue.Clear();
    const int rc = m_catalogue.LoadFromXml(path);
    if (rc != 0) {
        // What the tree cannot show must not filter either.
        LogError("File-type tree: catalogue %s not loaded (error %d)", path ? path : "(null)", rc);
        m_catalogue.Clear();
        return rc;
    }
    Populate();
    return 0;
}

namespace {
constexpr qsizetype kCatalogueKeyRoom = 64 - 17; // a key's 64 characters less "wizard.filetypes."
} // namespace

QString CTypeOfFileToRecoveryTreeCtrl::CatalogueText(const char* english)
{
    // The catalogue is written in English; the string tables hold its root, category names and category
    // lines under "wizard.filetypes." and the text in lower case with every run of other characters as "-",
    // cut to the 47 characters a key has room for.
    QString slug;
    for (const QChar c : QString::fromUtf8(english).toLower()) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(u'-'))
            slug += u'-';
    }
    slug.truncate(kCatalogueKeyRoom);
    while (slug.endsWith(u'-')) slug.chop(1);
    if (!slug.isEmpty()) {
        const QString text = CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.filetypes.") + slug);
        if (!text.isEmpty()) return text;
    }
    return QString::fromUtf8(english);
}

QTreeWidgetItem* CTypeOfFileToRecoveryTreeCtrl::InsertRecord(FileTypeInfoRecord* record, QTreeWidgetItem* parent)
{
    auto* item = new QTreeWidgetItem(QStringList(CatalogueText(record->text)));
    item->setData(0, Qt::UserRole, record->id);
    item->setData(0, kPictureRole, record->iconIndex);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    record->treeItem = item;
    return item;
}

void CTypeOfFileToRecoveryTreeCtrl::Populate()
{
    clear();
    m_rootItem = nullptr;
    const std::vector<uint32_t> ids = m_catalogue.GetIdList();
    for (uint32_t id : ids) m_catalogue.Find(id)->treeItem = nullptr;

    // Roots first, so that records without a usable parent have the root to go under.
    for (uint32_t id : ids) {
        FileTypeInfoRecord* record = m_catalogue.Find(id);
        if (record->parentId == -1) {
            QTreeWidgetItem* item = InsertRecord(record, nullptr);
            if (!m_rootItem) m_rootItem = item;
        }
    }

    for (uint32_t id : ids) {
        FileTypeInfoRecord* record = m_catalogue.Find(id);
        if (record->treeItem) continue;
        // Climb to the first ancestor that has an item; the records on the way are inserted top down.
        std::vector<FileTypeInfoRecord*> chain;
        std::unordered_set<uint32_t> onChain;
        QTreeWidgetItem* parentItem = nullptr;
        for (FileTypeInfoRecord* r = record;;) {
            chain.push_back(r);
            onChain.insert(r->id);
            FileTypeInfoRecord* parent = r->parentId < 0 ? nullptr : m_catalogue.Find(uint32_t(r->parentId));
            if (!parent) {
                LogError("FileFilter: record %u names parent %d, which does not exist; shown under the root", r->id,
                         int(r->parentId));
                parentItem = m_rootItem;
                break;
            }
            if (parent->treeItem) {
                parentItem = static_cast<QTreeWidgetItem*>(parent->treeItem);
                break;
            }
            if (onChain.count(parent->id)) {
                LogError("FileFilter: record %u lies on a cycle of parents; shown under the root", r->id);
                parentItem = m_rootItem;
                break;
            }
            r = parent;
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) parentItem = InsertRecord(*it, parentItem);
    }

    for (uint32_t id : ids) ApplyRecordState(m_catalogue.Find(id));
    if (m_rootItem) {
        m_rootItem->setExpanded(true);
        scrollToItem(m_rootItem, QAbstractItemView::PositionAtTop);
    }
    if (QTreeWidgetItem* first = ItemOf(0)) scrollToItem(first, QAbstractItemView::PositionAtTop);
}

void CTypeOfFileToRecoveryTreeCtrl::SetItemState(QTreeWidgetItem* item, FileTypeInfoRecord* record, uint16_t state)
{
    record->checkState = state;
    SetItemStateImage(item, state + 1);
}

void CTypeOfFileToRecoveryTreeCtrl::ApplyRecordState(FileTypeInfoRecord* record)
{
    auto* item = static_cast<QTreeWidgetItem*>(record->treeItem);
    if (!item) return;
    SetItemState(item, record, record->checkState <= 2 ? record->checkState : 0);
    if (item->childCount() == 0) UpdateParents(item);
}

void CTypeOfFileToRecoveryTreeCtrl::UpdateParents(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent()) {
        const int n = parent->childCount();
        int checked = 0, partial = 0;
        for (int i = 0; i < n; ++i) {
            const FileTypeInfoRecord* child = RecordOf(parent->child(i));
            const int state = child ? child->checkState : 0;
            checked += state == 2;
            partial += state == 1;
        }
        const uint16_t state = (n > 0 && checked == n) ? 2 : (checked + partial > 0 ? 1 : 0);
        if (FileTypeInfoRecord* record = RecordOf(parent)) SetItemState(parent, record, state);
    }
}

void CTypeOfFileToRecoveryTreeCtrl::ToggleItem(QTreeWidgetItem* item)
{
    FileTypeInfoRecord* record = RecordOf(item);
    if (!record) return;
    const uint16_t state = record->checkState == 2 ? 0 : 2;
    SetItemState(item, record, state);
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < item->childCount(); ++i) pending.push_back(item->child(i));
    while (!pending.empty()) {
        QTreeWidgetItem* child = pending.back();
        pending.pop_back();
        if (FileTypeInfoRecord* r = RecordOf(child)) SetItemState(child, r, state);
        for (int i = 0; i < child->childCount(); ++i) pending.push_back(child->child(i));
    }
    UpdateParents(item);
    viewport()->update();
    emit checkedTypesChanged(HasCheckedType());
}

bool CTypeOfFileToRecoveryTreeCtrl::HasCheckedType() const
{
    for (uint32_t id : m_catalogue.GetIdList()) {
        const uint16_t state = m_catalogue.Find(id)->checkState;
        if (state == 1 || state == 2) return true;
    }
    return false;
}

bool CTypeOfFileToRecoveryTreeCtrl::IsRootChecked() const
{
    return m_rootItem && GetItemStateImage(m_rootItem) == 3;
}

QTreeWidgetItem* CTypeOfFileToRecoveryTreeCtrl::ItemOf(uint32_t id) const
{
    const FileTypeInfoRecord* record = m_catalogue.Find(id);
    return record ? static_cast<QTreeWidgetItem*>(record->treeItem) : nullptr;
}

FileTypeInfoRecord* CTypeOfFileToRecoveryTreeCtrl::RecordOf(const QTreeWidgetItem* item)
{
    if (!item) return nullptr;
    FileTypeInfoRecord* record = m_catalogue.Find(item->data(0, Qt::UserRole).toUInt());
    return record && record->treeItem == item ? record : nullptr;
}

const FileTypeInfoRecord* CTypeOfFileToRecoveryTreeCtrl::RecordOf(const QTreeWidgetItem* item) const
{
    return const_cast<CTypeOfFileToRecoveryTreeCtrl*>(this)->RecordOf(item);
}

void CTypeOfFileToRecoveryTreeCtrl::SetDrawOffset(int pixels)
{
    m_drawOffset = pixels;
    viewport()->update();
}

void CTypeOfFileToRecoveryTreeCtrl::SetItemHeight(int height)
{
    m_itemHeight = height;
    scheduleDelayedItemsLayout();
}

void CTypeOfFileToRecoveryTreeCtrl::SetBkColor(COLORREF colour)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(colour));
    pal.setColor(QPalette::Window, ToQColor(colour));
    setPalette(pal);
    viewport()->update();
}

int CTypeOfFileToRecoveryTreeCtrl::LabelWidth(const QTreeWidgetItem* item) const
{
    return fontMetrics().horizontalAdvance(item->text(0)) + 6;
}

unsigned CTypeOfFileToRecoveryTreeCtrl::PlainHitTest(const QPoint& pt, QTreeWidgetItem** item) const
{
    auto label = [](const QTreeWidget* tree, const QTreeWidgetItem* it) {
        return static_cast<const CTypeOfFileToRecoveryTreeCtrl*>(tree)->LabelWidth(it);
    };
    return HitTestTree(this, pt, HasStateImages() ? kStateImageSize : 0, HasCategoryImages() ? kCategoryImageSize : 0,
                       label, item);
}

unsigned CTypeOfFileToRecoveryTreeCtrl::HitTest(const QPoint& pt, QTreeWidgetItem** item) const
{
    const unsigned flags = PlainHitTest(pt, item);
    if (m_drawOffset <= 0) return flags;
    if (flags == TVHT_ONITEMSTATEICON || pt.x() < m_drawOffset) return TVHT_TOLEFT;
    return PlainHitTest(QPoint(pt.x() - m_drawOffset, pt.y()), item);
}

QRect CTypeOfFileToRecoveryTreeCtrl::DrawnStateRect(const QTreeWidgetItem* item) const
{
    const QRect itemRect = visualItemRect(item);
    const TreeItemLayout l =
        LayoutTreeItem(itemRect, kStateImageSize, HasCategoryImages() ? kCategoryImageSize : 0, LabelWidth(item));
    return QRect(l.state.left() + m_drawOffset, l.state.top() + (l.state.height() - kStateImageSize) / 2,
                 kStateImageSize, kStateImageSize);
}

void CTypeOfFileToRecoveryTreeCtrl::mousePressEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    if (e->button() == Qt::LeftButton) {
        QTreeWidgetItem* item = nullptr;
        if (HitTest(e->position().toPoint(), &item) == TVHT_ONITEMSTATEICON && item) {
            ToggleItem(item);
            m_pressToggled = true;
            e->accept();
            return;
        }
    }
    if (m_defaultMouseHandling)
        QTreeWidget::mousePressEvent(e);
    else
        e->accept();
}

void CTypeOfFileToRecoveryTreeCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    m_pressToggled = false;
    QTreeWidget::mouseReleaseEvent(e);
}

void CTypeOfFileToRecoveryTreeCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The window system delivers a double click as press, release, double click, release: on a check the
    // double click is the second toggle, unless its press came on its own as well and toggled.
    if (e->button() == Qt::LeftButton) {
        QTreeWidgetItem* item = nullptr;
        if (HitTest(e->position().toPoint(), &item) == TVHT_ONITEMSTATEICON && item) {
            if (!m_pressToggled) ToggleItem(item);
            m_pressToggled = true;
            e->accept();
            return;
        }
    }
    if (m_defaultMouseHandling)
        QTreeWidget::mouseDoubleClickEvent(e);
    else
        e->accept();
}

void CTypeOfFileToRecoveryTreeCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem&,
                                            const QModelIndex& index) const
{
    const QTreeWidgetItem* item = itemFromIndex(index);
    if (!item) return;
    const QRect itemRect = visualRect(index);
    const QRect rowRect(0, itemRect.top(), viewport()->width(), itemRect.height());
    painter->save();
    DrawItem(painter, item, rowRect, itemRect);
    painter->restore();
}

void CTypeOfFileToRecoveryTreeCtrl::DrawItem(QPainter* p, const QTreeWidgetItem* item, const QRect& rowRect,
                                             const QRect& itemRect) const
{
    p->fillRect(rowRect, palette().color(QPalette::Base));
    const TreeItemLayout l =
        LayoutTreeItem(itemRect.translated(m_drawOffset, 0), HasStateImages() ? kStateImageSize : 0,
                       HasCategoryImages() ? kCategoryImageSize : 0, LabelWidth(item));
    const int image = GetItemStateImage(item);
    if (image > 0 && image < m_stateImages.size())
        p->drawImage(l.state.left(), l.state.top() + (l.state.height() - kStateImageSize) / 2, m_stateImages[image]);
    const int picture = item->data(0, kPictureRole).toInt();
    if (picture >= 0 && picture < m_categoryImages.size() && !m_categoryImages[picture].isNull())
        p->drawImage(l.picture.left(), l.picture.top() + (l.picture.height() - kCategoryImageSize) / 2,
                     m_categoryImages[picture]);
    const bool selected = selectionModel() && selectionModel()->isSelected(indexFromItem(item));
    if (selected) p->fillRect(l.label, palette().highlight());
    p->setPen(selected ? palette().highlightedText().color() : palette().text().color());
    p->setFont(font());
    p->drawText(l.label.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text(0));
}
