// The header of the extended list: a horizontal header with its own colours (black text on 0xF8F8F8), the
// control font, and 3 pixels more height than the platform's. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QFont>
#include <QHeaderView>

class QStandardItemModel;

class CExtendHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int kDefaultHeight = 20; // what the list counts before the header exists
    static constexpr int kExtraHeight = 3;

    explicit CExtendHeaderCtrl(QWidget* parent = nullptr);
    ~CExtendHeaderCtrl() override;

    // Appends an item after the last one; format 0 left, 1 right, 2 centre.
    void AppendItem(const QString& text, int width, int format);
    int GetItemCount() const;
    // Width of the item, 0 when there is no such item.
    int GetItemWidth(int nItem) const;
    void SetItemWidth(int nItem, int width);
    int GetHeight() const;
    int GetTotalWidth() const;
    QString GetItemText(int nItem) const;

    COLORREF TextColor() const { return m_crText; }
    COLORREF BackColor() const { return m_crBack; }

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent* e) override;

private:
    QStandardItemModel* m_model;
    QFont m_font;
    COLORREF m_crText = 0;
    COLORREF m_crBack = 0xF8F8F8;
    std::vector<int> m_formats;
};
