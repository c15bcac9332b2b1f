// The lanes of the partition layout drawing, apart from any window: partitions that overlap go to separate
// lanes of 80 pixels, each block placed to scale against the device's sector count.
#pragma once

#include "views/devices/PartitionListTypes.h"

#include <QRect>
#include <vector>

class CPartitionLayoutLanes {
public:
    static constexpr int kLaneHeight = 80;
    static constexpr int kInset = 3;

    struct Block {
        PARTITION_LAYOUT_ITEM item;
        QRect rect;
    };
    struct Lane {
        QRect rect;
        std::vector<Block> blocks;
    };

    void SetDeviceSectors(uint64_t sectors) { m_deviceSectors = sectors; }
    uint64_t DeviceSectors() const { return m_deviceSectors; }

    // Puts the partition in the first lane where it overlaps nothing, else in a new lane; true when a lane
    // was added.
    bool Add(const PARTITION_LAYOUT_ITEM& item);
    // Removes one block of the same partition (the first found, lanes in order); true when its lane became
    // empty and went. False, and nothing changes, when no block is the same partition.
    bool Remove(const PARTITION_LAYOUT_ITEM& item, bool* found = nullptr);
    void Clear() { m_lanes.clear(); }

    // Places the lanes in a client area of this width and every block in its lane.
    void Layout(int left, int right);
    int TotalHeight() const { return kLaneHeight * int(m_lanes.size()); }
    const std::vector<Lane>& Lanes() const { return m_lanes; }

    // A block's rectangle in a lane: to scale, clamped to the lane, shrunk by 3 pixels on each side
    // (horizontally only when it is at least 5 wide). Empty when the device has no sectors.
    static QRect PlaceBlock(const QRect& lane, const PARTITION_LAYOUT_ITEM& item, uint64_t deviceSectors);

private:
    uint64_t m_deviceSectors = 0;
    std::vector<Lane> m_lanes;
    int m_left = 0;
    int m_right = 0;
};
