// A two-level tree of groups and the file types under them, each item with a three-state check drawn as
// a state image. Clicking a check toggles it: a group's toggle applies to all its types, a type's toggle
// updates its group. Item data: high 16 bits the owner's type or group id, low 16 bits the check state
// (0 unchecked, 1 partly checked, 2 checked); an item's state image is its check state + 1.
// The owner supplies the state images and fills the items. User-interface thread only.
#pragma once

#include <QList>
#include <QTreeWidget>
#include <cstdint>

using HTREEITEM = QTreeWidgetItem*;

class CRawFileTypeTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kStateWidth = 16;
    // Each item's picture (its icon, QTreeWidgetItem::icon) is drawn at kIconSize in a column this wide
    // between the state image and the label.
    static constexpr int kIconSize = 16;
    static constexpr int kPictureWidth = 20;

    explicit CRawFileTypeTreeCtrl(QWidget* parent = nullptr);
    ~CRawFileTypeTreeCtrl() override;

    // images[i] draws state image index i (index 0 is never drawn); usually a blank then unchecked,
    // partly checked and checked.
    void SetStateImageList(const QList<QImage>& images);

    // Adds an item as the last child of parent (top level for null) with its data and the state image
    // of the data's check state.
    HTREEITEM InsertItem(const QString& text, uint32_t data, HTREEITEM parent = nullptr);
    static uint32_t GetItemData(HTREEITEM item);
    static void SetItemData(HTREEITEM item, uint32_t data);
    static int GetCheckState(HTREEITEM item) { return int(GetItemData(item) & 0xFFFF); }
    static int GetTypeId(HTREEITEM item) { return int(GetItemData(item) >> 16); }

    // Every type whose id equals nTypeId becomes checked, then each group is recomputed from its types.
    void CheckType(int nTypeId);
    // State and image on every direct child of the item, then on the item; id bits stay.
    void SetSubtreeState(HTREEITEM hItem, int nState, int nImage);
    // A group becomes checked when all its types are, partly checked when some are, unchecked otherwise.
    void UpdateParentState(HTREEITEM hParent);
    // Checked becomes unchecked, anything else checked; a group passes it to its types, a type updates
    // its group.
    void ToggleItem(HTREEITEM hItem);

    // The item at a viewport point and the TVHT_ flags of the point.
    unsigned HitTest(const QPoint& pt, HTREEITEM* item) const;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    // True when the click hit a state image and was used.
    bool ToggleAt(const QPoint& pt);
    static void SetState(HTREEITEM item, int nState, int nImage);

    QList<QImage> m_stateImages;
    bool m_pressToggled = false; // the last press toggled and no release has come since
    friend class CRawFileTypeTreeDelegate;
};
