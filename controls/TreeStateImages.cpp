// Item layout, hit tests and state images of the check trees.
#include "controls/TreeStateImages.h"

#include "controls/CMaskedBitmap.h"

#include <QTreeWidget>

namespace {
constexpr int kStateImageRole = Qt::UserRole + 100;
}

TreeItemLayout LayoutTreeItem(const QRect& itemRect, int stateWidth, int pictureWidth, int labelWidth)
{
    TreeItemLayout l;
    const int top = itemRect.top();
    const int h = itemRect.height();
    int x = itemRect.left();
    l.state = QRect(x, top, stateWidth, h);
    x += stateWidth;
    l.picture = QRect(x, top, pictureWidth, h);
    x += pictureWidth;
    l.label = QRect(x, top, std::max(0, labelWidth), h);
    return l;
}

unsigned HitTestTreeItem(const TreeItemLayout& layout, const QRect& itemRect, const QPoint& pt, bool onButton)
{
    if (pt.x() < itemRect.left()) return onButton ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
    if (layout.state.width() > 0 && layout.state.contains(pt)) return TVHT_ONITEMSTATEICON;
    if (layout.picture.width() > 0 && layout.picture.contains(pt)) return TVHT_ONITEMICON;
    if (layout.label.width() > 0 && layout.label.contains(pt)) return TVHT_ONITEMLABEL;
    return TVHT_ONITEMRIGHT;
}

unsigned HitTestTree(const QTreeWidget* tree, const QPoint& pt, int stateWidth, int pictureWidth,
                     int (*labelWidth)(const QTreeWidget*, const QTreeWidgetItem*), QTreeWidgetItem** item)
{
    if (item) *item = nullptr;
    const QRect viewport = tree->viewport()->rect();
    if (pt.x() < viewport.left()) return TVHT_TOLEFT;
    if (pt.x() > viewport.right()) return TVHT_TORIGHT;
    if (pt.y() < viewport.top()) return TVHT_ABOVE;
    if (pt.y() > viewport.bottom()) return TVHT_BELOW;
    QTreeWidgetItem* hit = tree->itemAt(QPoint(viewport.left() + 1, pt.y()));
    if (!hit) return TVHT_NOWHERE;
    if (item) *item = hit;
    const QRect rect = tree->visualItemRect(hit);
    const int indent = tree->indentation();
    const bool onButton =
        hit->childCount() > 0 && tree->rootIsDecorated() && pt.x() >= rect.left() - indent && pt.x() < rect.left();
    const TreeItemLayout layout = LayoutTreeItem(rect, stateWidth, pictureWidth, labelWidth(tree, hit));
    return HitTestTreeItem(layout, rect, pt, onButton);
}

int GetItemStateImage(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kStateImageRole).toInt() : 0;
}

void SetItemStateImage(QTreeWidgetItem* item, int image)
{
    if (item) item->setData(0, kStateImageRole, image);
}

QList<QImage> SplitImageStrip(const QImage& strip, int imageWidth, COLORREF mask)
{
    QList<QImage> images;
    if (strip.isNull() || imageWidth <= 0) return images;
    const QImage masked = CMaskedBitmap::MaskedImage(strip, mask);
    for (int x = 0; x + imageWidth <= masked.width(); x += imageWidth)
        images.append(masked.copy(x, 0, imageWidth, masked.height()));
    return images;
}
