#include "keepalive.h"

KeepAliveAction KeepAliveCycle::OnTick(bool connected) {
    if (!connected) return KeepAliveAction::None;
    if (keepAliveTick >= 0 && keepAliveTick <= 2) {
        const bool send = !timeAcked;
        ++keepAliveTick;
        return send ? KeepAliveAction::SendKeepAlive : KeepAliveAction::None;
    }
    if (keepAliveTick == 3) {
        if (!timeAcked) {
            keepAliveTick = 0;
            return KeepAliveAction::LinkDead;
        }
        timeAcked = false;
        ++keepAliveTick;
        return KeepAliveAction::None;
    }
    // 4 or more (and, defensively, a negative value left by a caller).
    keepAliveTick = 0;
    return KeepAliveAction::None;
}
