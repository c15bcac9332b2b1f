// Drawing, hints and clicks of the thumbnail list.
#include "views/files/CBreviaryImageListCtrl.h"

#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ShellFileInfo.h"
#include "controls/TreeStateImages.h"
#include "controls/WindowMessages.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Log.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileListModel.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"
#include "views/files/ThumbnailGeometry.h"

#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

QRect IconRectIn(const QRect& cell)
{
    const int k = CBreviaryImageListCtrl::kIconBox;
    return QRect(cell.left() + (cell.width() - k) / 2, cell.top() + 3, k, k);
}

QIcon LargeIconOf(const IFileProperties* p)
{
    static QHash<QString, QIcon> cache;
    if (!p || !(p->GetValidMask() & kValidAttributes)) return {};
    const std::string name = p->GetName();
    const bool folder = p->GetAttributes() & kFileAttrDirectory;
    const std::string ext = NameExtension(name.c_str());
    const std::string tail = name.substr(name.size() > 20 ? name.size() - 20 : 0);
    const std::string probe = folder ? tail : ext.empty() ? tail : "1" + ext;
    const QString key = QString::fromStdString(probe) + (folder ? u'/' : u'.');
    if (auto it = cache.find(key); it != cache.end()) return *it;
    SHFILEINFOA info;
    SafeGetFileInfo(probe.c_str(), folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                    SHGFI_ICON | SHGFI_USEFILEATTRIBUTES);
    cache.insert(key, info.hIcon);
    return info.hIcon;
}

class ThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit ThumbnailDelegate(CBreviaryImageListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(CBreviaryImageListCtrl::kCellWidth, CBreviaryImageListCtrl::kCellHeight);
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        auto* model = static_cast<const CFileListModel*>(index.model());
        const CFileNode* node = model->NodeAt(index.row());
        const IFileProperties* props = node ? node->GetProperties() : nullptr;
        const QRect icon = IconRectIn(option.rect);
        p->save();
        p->fillRect(icon, QColor(0xfa, 0xfb, 0xfc));
        p->setPen(QColor(0xd5, 0xdb, 0xe3));
        p->drawRect(icon.adjusted(0, 0, -1, -1));
        QImage picture;
        if (m_list->Owner()->CachedThumbnail(index.row(), node, &picture) && !picture.isNull()) {
            p->drawImage(icon.left() + (icon.width() - picture.width()) / 2,
                         icon.top() + (icon.height() - picture.height()) / 2, picture);
        } else if (const QIcon type = LargeIconOf(props); !type.isNull()) {
            const int s = CBreviaryImageListCtrl::kTypeIconSize;
            type.paint(p, QRect(icon.left() + (icon.width() - s) / 2, icon.top() + (icon.height() - s) / 2, s, s));
        }
        QColor colour = Qt::black;
        if (props && (props->GetValidMask() & kValidAttributes)) {
            if (props->GetAttributes() & kFileAttrCompressed)
                colour = QColor(0, 0, 255);
            else if (props->GetAttributes() & kFileAttrEncrypted)
                colour = QColor(0, 200, 0);
        }
        if (props && (props->GetValidMask() & kValidState) && (props->GetState() & kFileStateDeleted))
            p->drawImage(icon.right() - 15, icon.top() + 5, m_list->DeletedMark());
        const bool selected = option.state & QStyle::State_Selected;
        if (option.state & QStyle::State_HasFocus || selected) {
            p->setRenderHint(QPainter::Antialiasing);
            p->setPen(QPen(QColor(51, 94, 168, 200), 2));
            p->setBrush(Qt::NoBrush);
            p->drawRect(QRectF(icon).adjusted(2, 2, -2, -2));
            p->setRenderHint(QPainter::Antialiasing, false);
        }
        const QList<QImage>& boxes = m_list->CheckImages();
        const int image = props && props->GetCheckState() == kCheckAll ? 3 : 1;
        if (image < boxes.size()) p->drawImage(QRect(ThumbnailCheckRect(icon).topLeft(), QSize(13, 13)), boxes[image]);
        const QRect text(option.rect.left() + 2, icon.bottom() + 3, option.rect.width() - 4,
                         option.rect.bottom() - icon.bottom() - 3);
        if (selected) p->fillRect(text, option.palette.highlight());
        p->setPen(selected ? option.palette.highlightedText().color() : colour);
        p->setFont(option.font);
        const QString name = props ? QString::fromUtf8(props->GetName()) : QString();
        p->drawText(text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                    option.fontMetrics.elidedText(name, Qt::ElideMiddle, text.width()));
        p->restore();
    }

private:
    CBreviaryImageListCtrl* m_list;
};

} // namespace

CBreviaryImageListCtrl::CBreviaryImageListCtrl(CFileListCtrl* owner, CFileListModel* model, QWidget* parent)
    : QListView(parent), m_owner(owner), m_model(model)
{
    setModel(model);
    setModelColumn(kColumnName);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new ThumbnailDelegate(this));
    setFont(CreateControlFont());
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_deletedMark =
        CMaskedBitmap::MaskedImage(CResourceLibrary::Instance().LoadBitmap(kDeletedMarkBitmap), RGB(255, 0, 255));
}

CBreviaryImageListCtrl::~CBreviaryImageListCtrl() = default;

bool CBreviaryImageListCtrl::SetListStyle(LIST_STYLE NewStyle)
{
    LogInfo("------------------------ParmInfo:LIST_STYLE NewStyle=%d", int(NewStyle));
    m_style = NewStyle;
    switch (NewStyle) {
    case LIST_STYLE_ICON:
    case LIST_STYLE_THUMBNAIL:
        setViewMode(QListView::IconMode);
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setWrapping(true);
        setFlow(QListView::LeftToRight);
        if (NewStyle == LIST_STYLE_THUMBNAIL) setGridSize(QSize(kCellWidth, kCellHeight));
        break;
    default:
        setViewMode(QListView::ListMode);
        setGridSize(QSize());
        break;
    }
    viewport()->update();
    return true;
}

void CBreviaryImageListCtrl::SetCheckImages(unsigned bitmapId)
{
    m_checkImages = SplitImageStrip(CResourceLibrary::Instance().LoadBitmap(bitmapId), 16, RGB(255, 0, 0));
}

int CBreviaryImageListCtrl::GetFirstSelected() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CBreviaryImageListCtrl::SelectRow(int row)
{
    const QModelIndex i = m_model->index(row, kColumnName);
    if (!i.isValid()) return;
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i, QAbstractItemView::EnsureVisible);
}

bool CBreviaryImageListCtrl::SelectItemByData(const CFileNode* node)
{
    if (!m_items || !node) return false;
    for (size_t i = 0; i < m_items->size(); ++i)
        if ((*m_items)[i] == node) {
            SelectRow(int(i));
            return true;
        }
    return false;
}

QRect CBreviaryImageListCtrl::IconRect(int row) const
{
    const QRect cell = visualRect(m_model->index(row, kColumnName));
    return cell.isValid() ? IconRectIn(cell) : QRect();
}

void CBreviaryImageListCtrl::RedrawRow(int row)
{
    const QModelIndex i = m_model->index(row, kColumnName);
    if (i.isValid()) viewport()->update(visualRect(i));
}

void CBreviaryImageListCtrl::AskForVisibleRows()
{
    const int count = m_model->rowCount();
    if (m_style != LIST_STYLE_THUMBNAIL || !isVisible() || count == 0) return;
    // The cells on screen, from the grid: whole lines of cells from the first one showing.
    const int perLine = std::max(1, viewport()->width() / kCellWidth);
    const int firstLine = std::max(0, verticalScrollBar()->value() / kCellHeight);
    const int lines = viewport()->height() / kCellHeight + 2;
    const int first = std::min(count - 1, firstLine * perLine);
    const int last = std::min(count - 1, (firstLine + lines) * perLine - 1);
    if (first == m_hintFirst && last == m_hintLast) return;
    m_hintFirst = first;
    m_hintLast = last;
    PostMessageTo(parentWidget(), UM_THUMBNAIL_RANGE, WPARAM(first), LPARAM(last));
}

void CBreviaryImageListCtrl::paintEvent(QPaintEvent* e)
{
    QListView::paintEvent(e);
    AskForVisibleRows();
}

bool CBreviaryImageListCtrl::OnCheckBox(QMouseEvent* e) const
{
    const QModelIndex i = indexAt(e->position().toPoint());
    if (!i.isValid()) return false;
    // The drawn box is 13 pixels; the whole of it answers.
    const QRect box = ThumbnailCheckRect(IconRect(i.row()));
    return QRect(box.topLeft(), QSize(13, 13)).contains(e->position().toPoint());
}

bool CBreviaryImageListCtrl::ClickCheck(QMouseEvent* e)
{
    if (!OnCheckBox(e)) return false;
    const QModelIndex i = indexAt(e->position().toPoint());
    m_owner->ToggleFileCheck(m_model->NodeAt(i.row()));
    RedrawRow(i.row());
    return true;
}

void CBreviaryImageListCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) ClickCheck(e);
    QListView::mousePressEvent(e);
}

void CBreviaryImageListCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The second press of a double click already toggled the box.
    if (e->button() == Qt::LeftButton && OnCheckBox(e)) return;
    QListView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton && GetFirstSelected() >= 0) m_owner->OnCommand(CFileListCtrl::kCmdOpen);
}

void CBreviaryImageListCtrl::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        const int row = currentIndex().row();
        if (CFileNode* node = m_model->NodeAt(row)) {
            m_owner->ToggleFileCheck(node);
            RedrawRow(row);
        }
        e->accept();
        return;
    }
    QListView::keyPressEvent(e);
}

void CBreviaryImageListCtrl::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex i = indexAt(viewport()->mapFromGlobal(e->globalPos()));
    if (i.isValid()) SelectRow(i.row());
    if (GetFirstSelected() >= 0) m_owner->ShowContextMenu();
}
