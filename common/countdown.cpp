#include "countdown.h"

CountdownCounter::Tick CountdownCounter::Next() {
    Tick tick;
    if (counter > 0) {
        tick.shown = counter--;
        return tick;
    }
    tick.expired = true;
    Restart();
    return tick;
}
