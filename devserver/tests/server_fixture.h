// A development server on a free port with its log kept for assertions.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dev_server.h"
#include "test_client.h"

namespace devserver::testing {

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { StartServer(DevServerOptions{}); }
    void TearDown() override { server_->Stop(); }

    void StartServer(DevServerOptions options) {
        if (server_) server_->Stop();
        options.trayPort = 0;
        if (options.listEnabled) options.listPort = 0;
        options.logSink = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex_);
            log_.push_back(line);
        };
        server_ = std::make_unique<DevServer>(options);
        std::string error;
        ASSERT_TRUE(server_->Start(&error)) << error;
    }

    // True once a log line contains `part` (lines may trail the traffic a little).
    bool LogHas(const std::string& part, int timeoutMs = 1000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(logMutex_);
                for (const auto& l : log_)
                    if (l.find(part) != std::string::npos) return true;
            }
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // A connected client that has logged in as `id` (answer 'S' expected).
    std::unique_ptr<TestClient> LoggedIn(const std::string& id) {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->Connect(server_->TrayPort()));
        EXPECT_EQ(c->Login(id), 'S');
        return c;
    }

    std::unique_ptr<DevServer> server_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

}  // namespace devserver::testing
