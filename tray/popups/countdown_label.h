// A countdown popup's one-second timer and the label that shows the seconds left.
#pragma once
#include <windows.h>

#include "countdown.h"

class CountdownLabel {
public:
    CountdownLabel(UINT_PTR timerId, int labelId, int startValue)
        : timerId(timerId), labelId(labelId), counter(startValue) {}
    // The label shows the template's start value until the first tick.
    void Start(HWND popup);
    // One timer tick: shows the next value, or stops the timer and returns
    // true when the time is up.
    bool Tick(HWND popup);
    void Stop(HWND popup) { ::KillTimer(popup, timerId); }
    UINT_PTR TimerId() const { return timerId; }

private:
    UINT_PTR timerId;
    int labelId;
    CountdownCounter counter;
};
