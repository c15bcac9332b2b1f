// The captioned panel under the found-partition list: the device's name in the caption, a side strip with
// the device's picture and size, and the layout view of the checked partitions. User-interface thread only.
#pragma once

#include "views/devices/PartitionListTypes.h"

#include <QFont>
#include <QImage>
#include <QWidget>

class CPartitionLayoutView;

class CPartitionLayoutFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kViewId = 3334;
    static constexpr int kStripWidth = 120;

    explicit CPartitionLayoutFrame(QWidget* parent = nullptr);
    ~CPartitionLayoutFrame() override;

    void SetDiskInfo(const PARTITION_LAYOUT_SOURCE* source);
    CPartitionLayoutView* GetLayoutView() const { return m_view; }
    QString Caption() const { return m_caption; }
    QString StripText() const { return m_stripText; }
    // Places the view: below the caption, right of the strip, as high as its lanes (80 without any).
    void RecalcLayout();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QString m_caption;
    QFont m_font;
    CPartitionLayoutView* m_view;
    int m_stripHeight = 80;
    QImage m_stripBitmap;
    QString m_stripText;
};
