// Runs tasks at a later time on one thread of its own (scripted actions such
// as "two seconds after the login, send a note").
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace devserver {

class Scheduler {
public:
    ~Scheduler();
    void Start();
    // Tasks still waiting are dropped.
    void Stop();
    // Runs `task` after `delayMs`; tasks due at the same time run in the order given.
    void After(int64_t delayMs, std::function<void()> task);

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> tasks_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace devserver
