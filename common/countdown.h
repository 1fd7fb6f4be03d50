// The one-second countdown of the request popups. The template's label shows
// the start value; the ticks then show start-1 ... 1, and the tick after the
// one that showed 1 is the expiry.
#pragma once

class CountdownCounter {
public:
    explicit CountdownCounter(int startValue) : startValue(startValue), counter(startValue - 1) {}

    struct Tick {
        bool expired = false;  // the popup's expiry action is due; the counter starts over
        int shown = 0;         // the value the label shows now, when not expired
    };

    // The popup opens (or is armed again).
    void Restart() { counter = startValue - 1; }
    Tick Next();
    int StartValue() const { return startValue; }

private:
    int startValue;
    int counter;
};
