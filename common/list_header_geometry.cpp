#include "list_header_geometry.h"

namespace {
int QuarterHeight(const HeaderRect& item) { return (item.bottom - item.top) / 4; }
}  // namespace

HeaderRect HeaderTextRect(const HeaderRect& item, bool pressed, bool sortedColumn) {
    const int q = QuarterHeight(item);
    HeaderRect r = item;
    if (pressed) {
        r.left += 1;
        r.right += 1;
        r.top += 2;
        r.bottom += 2;
    }
    if (sortedColumn) r.right -= 3 * q;
    r.left += q;
    r.right -= q;
    return r;
}

HeaderArrow HeaderSortArrow(const HeaderRect& item, bool ascending) {
    const int q = QuarterHeight(item);
    const int R = item.right;
    const int B = item.bottom;
    HeaderArrow a;
    if (ascending) {
        a.highlight = {{R - 2 * q, q}, {R - q, B - q - 1}, {R - 3 * q - 2, B - q - 1}};
        a.shadow = {{R - 3 * q - 1, B - q - 1}, {R - 2 * q, q - 1}};
    } else {
        a.highlight = {{R - q - 1, q}, {R - 2 * q - 1, B - q}};
        a.shadow = {{R - 2 * q - 2, B - q}, {R - 3 * q - 1, q}, {R - q - 1, q}};
    }
    return a;
}
