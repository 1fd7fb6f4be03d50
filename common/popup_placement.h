// Where the popups open on the screen, and which of their buttons lies under
// the mouse pointer. Screen pixels; popups are never clamped to the screen,
// the cascades only wrap at their thresholds.
#pragma once
#include <vector>

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
};

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Writing and waiting popups.
constexpr ScreenPoint kFixedPopupPoint{16, 16};
// Where the received-note cascade starts again.
constexpr ScreenPoint kNoteCascadeHome{340, 0};
constexpr int kCascadeStep = 16;
// Chat and note cascades wrap once both coordinates reach this.
constexpr int kCascadeWrapAt = 400;
// Status notices open at (0, 0) while this many or more are open.
constexpr int kNoticeCrowd = 10;

// Incoming requests and points notices: 16 lower and to the right of the
// last one; (0, 0) once both coordinates reach 400. The origin is updated
// and the popup's place returned.
ScreenPoint NextChatCascade(ScreenPoint& origin);
// Received notes: as the chat cascade, wrapping to (340, 0).
ScreenPoint NextNoteCascade(ScreenPoint& origin);
// Status notices: 16 further, or (0, 0) while ten or more are open;
// openCount already counts the new notice.
ScreenPoint NextNoticeCascade(ScreenPoint& origin, int openCount);
// A received note closed: the cascade starts again when none is left open.
void NoteClosed(int openNoteCountAfter, ScreenPoint& origin);

// True when the point lies inside one of the rectangles, edges included
// (unlike PtInRect, which leaves out the right and bottom edges).
bool HitsAny(const std::vector<ScreenRect>& rects, ScreenPoint at);
