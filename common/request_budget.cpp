#include "request_budget.h"

#include <algorithm>

namespace {
constexpr uint64_t kMilli = 1000;
}

RequestBudget::RequestBudget(uint32_t burst, uint32_t perSecond, uint64_t nowMs)
    : burstMilli_(burst * kMilli), perSecond_(perSecond), levelMilli_(burst * kMilli), lastMs_(nowMs) {}

bool RequestBudget::Spend(uint64_t nowMs) {
    if (nowMs > lastMs_) {
        // perSecond requests a second is perSecond thousandths a millisecond.
        const uint64_t elapsed = std::min<uint64_t>(nowMs - lastMs_, burstMilli_ + 1);
        levelMilli_ = std::min(burstMilli_, levelMilli_ + elapsed * perSecond_);
        lastMs_ = nowMs;
    }
    if (levelMilli_ < kMilli) return false;
    levelMilli_ -= kMilli;
    return true;
}
