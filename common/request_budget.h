// A budget of requests over time (a token bucket): a burst of `burst` at
// once, refilled at `perSecond`. Time comes from the caller, in milliseconds
// of any monotonic clock.
#pragma once
#include <cstdint>

class RequestBudget {
public:
    RequestBudget(uint32_t burst, uint32_t perSecond, uint64_t nowMs);
    // Spends one request; false when the budget is used up (nothing is spent).
    bool Spend(uint64_t nowMs);

private:
    uint64_t burstMilli_;  // in thousandths of a request, so refills stay exact
    uint64_t perSecond_;
    uint64_t levelMilli_;
    uint64_t lastMs_;
};
