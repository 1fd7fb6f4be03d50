// Geometry of the member list's owner-drawn header items: where the text
// goes and the two strokes of the sort arrow, from the item's rectangle.
#pragma once
#include <vector>

struct HeaderPoint {
    int x, y;
    bool operator==(const HeaderPoint& o) const { return x == o.x && y == o.y; }
};

struct HeaderRect {
    int left, top, right, bottom;
    bool operator==(const HeaderRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The text rectangle: moved 1 right and 2 down while pressed; on the sorted
// column its right edge leaves room for the arrow (3q, q a quarter of the
// item's height); then both edges move inward by q. Draw the text only when
// it still has width.
HeaderRect HeaderTextRect(const HeaderRect& item, bool pressed, bool sortedColumn);

// The arrow on the sorted column as two polylines: the first drawn with the
// 3-D highlight pen, the second with the 3-D shadow pen. Pointing up when
// ascending, down when descending.
struct HeaderArrow {
    std::vector<HeaderPoint> highlight;
    std::vector<HeaderPoint> shadow;
};
HeaderArrow HeaderSortArrow(const HeaderRect& item, bool ascending);
