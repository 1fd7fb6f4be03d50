#include "countdown_label.h"

#include <cstdio>

void CountdownLabel::Start(HWND popup) {
    counter.Restart();
    ::SetTimer(popup, timerId, 1000, nullptr);
}

bool CountdownLabel::Tick(HWND popup) {
    const CountdownCounter::Tick tick = counter.Next();
    if (tick.expired) {
        Stop(popup);
        return true;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", tick.shown);
    ::SetDlgItemTextA(popup, labelId, text);  // digits only
    return false;
}
