// The file-type catalogue ("FileFilter.xml") as a tree of the root, the categories and the types, each
// with a three-state check kept in step with the catalogue's check states: toggling an item gives its
// whole subtree the same state, and each ancestor becomes checked when all its children are, partly
// checked when any child is checked or partly checked, unchecked otherwise. Every change is written back
// into the catalogue's records. A drawing offset moves the drawn check boxes right; clicks are mapped
// back. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"
#include "core/filetypes/CMapFileTypeInfo.h"

#include <QList>
#include <QTreeWidget>

class CTypeOfFileToRecoveryTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    // A text of the catalogue (written in English) in the interface language when the string tables have it.
    static QString CatalogueText(const char* english);
    static constexpr int kCategoryImageSize = 32;
    static constexpr int kStateImageSize = 16;

    explicit CTypeOfFileToRecoveryTreeCtrl(QWidget* parent = nullptr);
    ~CTypeOfFileToRecoveryTreeCtrl() override;

    // The check-box images from a strip of 16-pixel images with pure red as transparent colour; false
    // when the bitmap cannot be had.
    bool CreateStateImageList(unsigned bitmapId);
    // The six category pictures, unless made already; a picture that cannot be loaded leaves its index
    // empty (items with that index are drawn without picture). Always true.
    bool CreateCategoryImageList();
    bool HasStateImages() const { return !m_stateImages.isEmpty(); }
    bool HasCategoryImages() const { return !m_categoryImages.isEmpty(); }

    // Loads the catalogue and, on success, builds the items, applies the check states and scrolls to the
    // root. Returns the catalogue's error code (0 on success).
    int LoadFromXml(const char* path);
    // Builds the items of the catalogue as it stands (after LoadFromXml or records inserted by hand):
    // a record whose parent is missing, or that lies on a cycle of parents, goes under the root and is logged.
    void Populate();

    // Any record checked or partly checked.
    bool HasCheckedType() const;
    // The root item fully checked.
    bool IsRootChecked() const;

    void SetDefaultMouseHandling(bool enable) { m_defaultMouseHandling = enable; }
    bool GetDefaultMouseHandling() const { return m_defaultMouseHandling; }
    void SetDrawOffset(int pixels);
    int GetDrawOffset() const { return m_drawOffset; }
    void SetItemHeight(int height);
    int GetItemHeight() const { return m_itemHeight; }
    void SetBkColor(COLORREF colour);

    CMapFileTypeInfo& GetCatalogue() { return m_catalogue; }
    const CMapFileTypeInfo& GetCatalogue() const { return m_catalogue; }

    // The item of a record, or null; the record of an item, or null.
    QTreeWidgetItem* ItemOf(uint32_t id) const;
    FileTypeInfoRecord* RecordOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* RootItem() const { return m_rootItem; }

    // Checked becomes unchecked, anything else checked; the subtree follows, the ancestors are recomputed,
    // and checkedTypesChanged tells whether anything is still checked.
    void ToggleItem(QTreeWidgetItem* item);

    // The TVHT_ flags and item at a viewport point. With a drawing offset d > 0 the tree's own check
    // position and everything left of d give TVHT_TOLEFT; other points are tested at (x - d, y).
    unsigned HitTest(const QPoint& pt, QTreeWidgetItem** item) const;
    // The same without the offset: the layout the items have before drawing moves them.
    unsigned PlainHitTest(const QPoint& pt, QTreeWidgetItem** item) const;

    // Where the check box of an item is drawn, in viewport coordinates.
    QRect DrawnStateRect(const QTreeWidgetItem* item) const;

signals:
    void checkedTypesChanged(bool anyChecked);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Draws one item's row; rowRect is the full row, itemRect the part after the indentation.
    virtual void DrawItem(QPainter* painter, const QTreeWidgetItem* item, const QRect& rowRect,
                          const QRect& itemRect) const;

    const QList<QImage>& StateImages() const { return m_stateImages; }
    const QList<QImage>& CategoryImages() const { return m_categoryImages; }
    const FileTypeInfoRecord* RecordOf(const QTreeWidgetItem* item) const;
    int LabelWidth(const QTreeWidgetItem* item) const;

private:
    bool m_pressToggled = false; // the last press toggled a check and no release has come since
    QTreeWidgetItem* InsertRecord(FileTypeInfoRecord* record, QTreeWidgetItem* parent);
    void ApplyRecordState(FileTypeInfoRecord* record);
    void SetItemState(QTreeWidgetItem* item, FileTypeInfoRecord* record, uint16_t state);
    void UpdateParents(QTreeWidgetItem* item);

    QList<QImage> m_categoryImages;
    QList<QImage> m_stateImages;
    bool m_defaultMouseHandling = true;
    int m_drawOffset = 0;
    int m_itemHeight = 0; // 0: as high as the font and pictures need
    CMapFileTypeInfo m_catalogue;
    QTreeWidgetItem* m_rootItem = nullptr;
};
