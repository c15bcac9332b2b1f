// The thumbnail list of the found-file list: one cell per file with its picture scaled to 80 pixels once
// the loader has made it (the type's icon until then, or when it cannot be made), the check box, the
// deleted mark, the focus frame and the name in its colour. It asks its file list for the pictures of the
// cells on screen with message 1124. User-interface thread only.
#pragma once

#include <QImage>
#include <QList>
#include <QListView>
#include <vector>

class CFileListCtrl;
class CFileListModel;
class CFileNode;
class IStorageDevice;

enum LIST_STYLE : int {
    LIST_STYLE_ICON = 0,
    LIST_STYLE_SMALLICON = 1,
    LIST_STYLE_LIST = 2,
    LIST_STYLE_REPORT = 3,
    LIST_STYLE_THUMBNAIL = 4,
};

// Asks the file list for the pictures of rows wParam to lParam.
inline constexpr unsigned UM_THUMBNAIL_RANGE = 0x0400 + 100; // 1124

class CBreviaryImageListCtrl : public QListView {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 104;
    static constexpr int kCellHeight = 118;
    static constexpr int kIconBox = 88;
    static constexpr int kTypeIconSize = 42;

    CBreviaryImageListCtrl(CFileListCtrl* owner, CFileListModel* model, QWidget* parent = nullptr);
    ~CBreviaryImageListCtrl() override;

    bool SetListStyle(LIST_STYLE NewStyle);
    LIST_STYLE GetListStyle() const { return m_style; }
    void SetItems(const std::vector<CFileNode*>* items) { m_items = items; }
    void SetSourceDevice(IStorageDevice* device) { m_device = device; }
    void SetCheckImages(unsigned bitmapId);

    int GetFirstSelected() const;
    bool SelectItemByData(const CFileNode* node);
    void SelectRow(int row);
    // The icon rectangle of a row, in viewport coordinates (empty when not laid out).
    QRect IconRect(int row) const;
    // Forget the range last asked for, so that the next paint asks again.
    void ResetHint() { m_hintFirst = m_hintLast = -1; }
    void RedrawRow(int row);

    const QList<QImage>& CheckImages() const { return m_checkImages; }
    const QImage& DeletedMark() const { return m_deletedMark; }
    CFileListCtrl* Owner() const { return m_owner; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    bool ClickCheck(QMouseEvent* e);
    bool OnCheckBox(QMouseEvent* e) const;
    void AskForVisibleRows();

    CFileListCtrl* m_owner;  // not owned
    CFileListModel* m_model; // not owned
    LIST_STYLE m_style = LIST_STYLE_REPORT;
    const std::vector<CFileNode*>* m_items = nullptr;
    IStorageDevice* m_device = nullptr; // kept, not used here
    QList<QImage> m_checkImages;
    QImage m_deletedMark;
    int m_hintFirst = -1;
    int m_hintLast = -1;
};
