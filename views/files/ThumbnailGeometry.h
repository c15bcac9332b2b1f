// Sizes and places of the thumbnail view: the scaled size of a picture, and where the check box sits in a
// cell's icon rectangle.
#pragma once

#include <QRect>
#include <QSize>
#include <cstdint>

inline constexpr int kThumbnailEdge = 80;
// Files above this many bytes are never copied for a thumbnail.
inline constexpr uint64_t kMaxThumbnailSource = 15728640;
// Requests waiting at once; older ones fall off.
inline constexpr int kMaxThumbnailRequests = 40;

// A picture with a side of 80 or more is scaled so that its longer side is 80 (each side at least 1);
// a smaller one keeps its size.
QSize ThumbnailSize(uint32_t width, uint32_t height);
// The check box inside an icon rectangle: 10 x 10 at (left + 5, bottom - 16).
QRect ThumbnailCheckRect(const QRect& iconRect);

#include <deque>
#include <functional>

// Adds the rows first..last of a hint to the request queue, each in front, skipping rows that are known
// (cached) or already waiting; the queue keeps its newest kMaxThumbnailRequests entries.
void AddThumbnailRequests(std::deque<int>& queue, int first, int last, int rowCount,
                          const std::function<bool(int)>& known);
