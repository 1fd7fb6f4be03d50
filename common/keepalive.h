// The keep-alive cycle of Notewell as a pure state machine. The
// main window calls OnTick at every KEEPALIVE_TIMER tick (6000 ms) and
// OnAnswer when SocketEvent 4002 arrives (under the process-wide lock).
//
//   keepAliveTick 0, 1, 2: if timeAcked is 0, send a keep-alive; then add 1
//   keepAliveTick 3:       if timeAcked is 0 the link is dead (tick set to 0);
//                          otherwise clear timeAcked and add 1
//   keepAliveTick >= 4:    set to 0, nothing else
#pragma once

enum class KeepAliveAction { None, SendKeepAlive, LinkDead };

struct KeepAliveCycle {
    bool timeAcked = false;
    int keepAliveTick = 0;

    // `connected` is the main window's isConnected: while it is clear a tick
    // does nothing and changes nothing.
    KeepAliveAction OnTick(bool connected = true);
    void OnAnswer() { timeAcked = true; }
};

// Period of KEEPALIVE_TIMER (id 2).
constexpr unsigned int kKeepAliveTimerId = 2;
constexpr unsigned int kKeepAlivePeriodMs = 6000;
