// The drawing of the checked found partitions to scale against the scanned device, in lanes of 80 pixels
// (partitions that overlap each other in separate lanes); scrolls vertically. User-interface thread only.
#pragma once

#include "views/devices/PartitionLayoutLanes.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <functional>

class CPartitionLayoutView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr QRgb kBackColor = 0xFF92AACB; // RGB(146, 170, 203)

    explicit CPartitionLayoutView(QWidget* parent = nullptr);
    ~CPartitionLayoutView() override;

    void SetDeviceSectors(uint64_t sectors);
    void AddPartition(const PARTITION_LAYOUT_ITEM* item);
    // Removes one block of the same partition.
    void RemovePartition(const PARTITION_LAYOUT_ITEM* item);
    void DeleteAllPartitions();

    const CPartitionLayoutLanes& Lanes() const { return m_lanes; }
    // Told when the number of lanes changed, so that the frame lays itself out again.
    void SetLanesChanged(std::function<void()> f) { m_lanesChanged = std::move(f); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void Relayout();
    void DrawBlock(QPainter& p, const CPartitionLayoutLanes::Block& b);

    CPartitionLayoutLanes m_lanes;
    QFont m_font;
    QFont m_bold;
    QImage m_icon;
    std::function<void()> m_lanesChanged;
};
