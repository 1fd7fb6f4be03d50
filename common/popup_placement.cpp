#include "popup_placement.h"

namespace {
ScreenPoint Step(ScreenPoint& origin, bool wraps, ScreenPoint wrapTo) {
    origin.x += kCascadeStep;
    origin.y += kCascadeStep;
    if (wraps) origin = wrapTo;
    return origin;
}

bool BothReach(const ScreenPoint& origin) {
    return origin.x + kCascadeStep >= kCascadeWrapAt && origin.y + kCascadeStep >= kCascadeWrapAt;
}
}  // namespace

ScreenPoint NextChatCascade(ScreenPoint& origin) { return Step(origin, BothReach(origin), ScreenPoint{0, 0}); }

ScreenPoint NextNoteCascade(ScreenPoint& origin) { return Step(origin, BothReach(origin), kNoteCascadeHome); }

ScreenPoint NextNoticeCascade(ScreenPoint& origin, int openCount) {
    return Step(origin, openCount >= kNoticeCrowd, ScreenPoint{0, 0});
}

void NoteClosed(int openNoteCountAfter, ScreenPoint& origin) {
    if (openNoteCountAfter <= 0) origin = kNoteCascadeHome;
}

bool HitsAny(const std::vector<ScreenRect>& rects, ScreenPoint at) {
    for (const ScreenRect& r : rects) {
        if (at.x >= r.left && at.x <= r.right && at.y >= r.top && at.y <= r.bottom) return true;
    }
    return false;
}
