// Thumbnail sizes and the check-box place of a thumbnail cell.
#include "views/files/ThumbnailGeometry.h"

#include <algorithm>

QSize ThumbnailSize(uint32_t width, uint32_t height)
{
    if (width < kThumbnailEdge && height < kThumbnailEdge) return QSize(int(width), int(height));
    const uint64_t m = std::max(width, height);
    const uint64_t w = std::max<uint64_t>(1, uint64_t(width) * kThumbnailEdge / m);
    const uint64_t h = std::max<uint64_t>(1, uint64_t(height) * kThumbnailEdge / m);
    return QSize(int(w), int(h));
}

QRect ThumbnailCheckRect(const QRect& iconRect)
{
    return QRect(iconRect.left() + 5, iconRect.top() + iconRect.height() - 16, 10, 10);
}

void AddThumbnailRequests(std::deque<int>& queue, int first, int last, int rowCount,
                          const std::function<bool(int)>& known)
{
    for (int i = std::max(0, first); i <= last && i < rowCount; ++i) {
        if (known(i) || std::find(queue.begin(), queue.end(), i) != queue.end()) continue;
        queue.push_front(i);
        if (queue.size() > size_t(kMaxThumbnailRequests)) queue.pop_back();
    }
}
