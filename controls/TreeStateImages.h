// What the check trees share: the hit-test results of a tree, the item layout of a row (state image,
// picture, label) used both for drawing and for hit testing, the state image kept on each item, and
// cutting a state-image strip into images. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QImage>
#include <QList>
#include <QRect>

class QTreeWidget;
class QTreeWidgetItem;

// Hit-test results, as flags.
constexpr unsigned TVHT_NOWHERE = 0x0001;
constexpr unsigned TVHT_ONITEMICON = 0x0002;
constexpr unsigned TVHT_ONITEMLABEL = 0x0004;
constexpr unsigned TVHT_ONITEMINDENT = 0x0008;
constexpr unsigned TVHT_ONITEMBUTTON = 0x0010;
constexpr unsigned TVHT_ONITEMRIGHT = 0x0020;
constexpr unsigned TVHT_ONITEMSTATEICON = 0x0040;
constexpr unsigned TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON;
constexpr unsigned TVHT_ABOVE = 0x0100;
constexpr unsigned TVHT_BELOW = 0x0200;
constexpr unsigned TVHT_TORIGHT = 0x0400;
constexpr unsigned TVHT_TOLEFT = 0x0800;

// The parts of one item's row. The state image comes first, then the picture (none when its width is 0),
// then the label. All are as high as the row.
struct TreeItemLayout {
    QRect state;
    QRect picture;
    QRect label;
};

// itemRect: the row from the item's indentation on (what QTreeView::visualRect gives for column 0).
TreeItemLayout LayoutTreeItem(const QRect& itemRect, int stateWidth, int pictureWidth, int labelWidth);

// The result for a point inside the item's row: state image, picture, label, indentation (left of the
// layout; the expand button when onButton) or right of the label.
unsigned HitTestTreeItem(const TreeItemLayout& layout, const QRect& itemRect, const QPoint& pt, bool onButton);

// The hit test of a tree widget at a viewport point: the item and the flags. pictureWidth and stateWidth
// are those the tree draws with; labelWidth is asked per item.
unsigned HitTestTree(const QTreeWidget* tree, const QPoint& pt, int stateWidth, int pictureWidth,
                     int (*labelWidth)(const QTreeWidget*, const QTreeWidgetItem*), QTreeWidgetItem** item);

// The state image index kept on an item (0 none; 1 unchecked, 2 partly checked, 3 checked).
int GetItemStateImage(const QTreeWidgetItem* item);
void SetItemStateImage(QTreeWidgetItem* item, int image);

// Cuts a strip of equal square images (the strip's height is the image width); pixels of the mask colour
// become transparent. An empty strip gives an empty list.
QList<QImage> SplitImageStrip(const QImage& strip, int imageWidth, COLORREF mask);
