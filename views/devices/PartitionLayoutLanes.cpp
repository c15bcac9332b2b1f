// Lane assignment and block placement of the partition layout.
#include "views/devices/PartitionLayoutLanes.h"

#include <algorithm>

QRect CPartitionLayoutLanes::PlaceBlock(const QRect& lane, const PARTITION_LAYOUT_ITEM& item, uint64_t deviceSectors)
{
    // A device of no sectors has no scale: nothing is drawn rather than a division by zero.
    if (deviceSectors == 0 || lane.width() <= 0) return {};
    const double width = lane.width();
    const double sectors = double(deviceSectors);
    // A found partition may reach past the end of the device it was found on; it is drawn to the lane's end.
    const double start = std::min(double(item.u64StartSector), sectors);
    const double last = std::min(double(std::max(item.u64LastSector, item.u64StartSector)), sectors);
    int left = lane.left() + int(width * start / sectors);
    int right = lane.left() + int(width * last / sectors);
    if (right - left >= 5) {
        left += kInset;
        right -= kInset;
    }
    return QRect(QPoint(left, lane.top() + kInset), QPoint(right, lane.top() + lane.height() - 1 - kInset));
}

bool CPartitionLayoutLanes::Add(const PARTITION_LAYOUT_ITEM& item)
{
    for (Lane& lane : m_lanes) {
        const bool overlaps =
            std::any_of(lane.blocks.begin(), lane.blocks.end(), [&](const Block& b) { return b.item.Overlaps(item); });
        if (!overlaps) {
            lane.blocks.push_back({item, PlaceBlock(lane.rect, item, m_deviceSectors)});
            return false;
        }
    }
    m_lanes.push_back({});
    m_lanes.back().blocks.push_back({item, {}});
    Layout(m_left, m_right);
    return true;
}

bool CPartitionLayoutLanes::Remove(const PARTITION_LAYOUT_ITEM& item, bool* found)
{
    if (found) *found = false;
    for (size_t i = 0; i < m_lanes.size(); ++i) {
        auto& blocks = m_lanes[i].blocks;
        auto it =
            std::find_if(blocks.begin(), blocks.end(), [&](const Block& b) { return b.item.IsSamePartition(item); });
        if (it == blocks.end()) continue;
        // One block only: two rows may show the same partition, and unchecking one keeps the other drawn.
        blocks.erase(it);
        if (found) *found = true;
        if (!blocks.empty()) return false;
        m_lanes.erase(m_lanes.begin() + long(i));
        Layout(m_left, m_right);
        return true;
    }
    return false;
}

void CPartitionLayoutLanes::Layout(int left, int right)
{
    m_left = left;
    m_right = right;
    for (size_t i = 0; i < m_lanes.size(); ++i) {
        Lane& lane = m_lanes[i];
        lane.rect =
            QRect(QPoint(left, kLaneHeight * int(i)), QPoint(right - 1, kLaneHeight * int(i) + kLaneHeight - 1));
        for (Block& b : lane.blocks) b.rect = PlaceBlock(lane.rect, b.item, m_deviceSectors);
    }
}
