#include "scheduler.h"

namespace devserver {

Scheduler::~Scheduler() { Stop(); }

void Scheduler::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = false;
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
}

void Scheduler::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        tasks_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void Scheduler::After(int64_t delayMs, std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
        tasks_.emplace(std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs < 0 ? 0 : delayMs),
                       std::move(task));
    }
    wake_.notify_all();
}

void Scheduler::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (tasks_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto due = tasks_.begin()->first;
        if (std::chrono::steady_clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        auto task = std::move(tasks_.begin()->second);
        tasks_.erase(tasks_.begin());
        lock.unlock();
        task();
        lock.lock();
    }
}

}  // namespace devserver
