// devserver: the development server for demos and manual end-to-end runs.
// Serves the tray port (and optionally the member list port), logs every
// packet on stdout, runs a scenario file, and takes scenario lines typed on
// standard input.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "dev_server.h"
#include "scenario.h"

namespace {

std::atomic<bool> gStop{false};

extern "C" void OnSignal(int) { gStop = true; }

const char kUsage[] =
    "usage: devserver [options]\n"
    "  --bind ADDRESS         listen address (default 127.0.0.1)\n"
    "  --port N               tray port (default 5210, 0 = any free port)\n"
    "  --list-port N|off      member list port (default off; 5200 is its usual number)\n"
    "  --login S|F|E|none     answer to logins (default S)\n"
    "  --no-keepalive-answer  leave keep-alives unanswered\n"
    "  --ready-after DURATION hold tray connections back this long (e.g. 3.5s)\n"
    "  --chat-server ADDRESS  chat server address in agreed chats (default 127.0.0.1)\n"
    "  --member PROFILE       id:nick:sex:age[:job[:region[:topic[:taste[:pop[:points]]]]]] (repeatable)\n"
    "  --script FILE          run a scenario file (see README.md)\n"
    "  --no-stdin             do not read scenario lines from standard input\n"
    "Standard input takes scenario lines (\"help\" lists them, \"quit\" stops).\n";

bool ReadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "devserver: %s\n%s", why.c_str(), kUsage);
    return 2;
}

// Scenario lines typed on stdin run as soon as they are entered.
void ReadStdin(devserver::DevServer& server) {
    std::string line;
    int lineNo = 0;
    while (!gStop && std::getline(std::cin, line)) {
        ++lineNo;
        if (line == "help") {
            std::fputs(devserver::Scenario::HelpText(), stdout);
            std::fflush(stdout);
            continue;
        }
        devserver::Scenario typed;
        std::vector<devserver::ScriptError> errors;
        typed.Parse(line, &errors, lineNo);
        for (const auto& e : errors) server.Log("input: " + e.message);
        if (typed.Run(server, gStop) == devserver::Scenario::Outcome::Quit) gStop = true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    devserver::DevServerOptions options;
    std::string scriptPath;
    bool readStdin = true;
    std::optional<std::string> loginAnswer;
    bool keepAliveAnswer = true;
    std::string chatServer;
    std::vector<devserver::MemberProfile> members;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--bind" && value(&v)) {
            options.bindAddress = v;
        } else if (arg == "--port" && value(&v)) {
            char* end = nullptr;
            const long port = std::strtol(v.c_str(), &end, 10);
            if (*end || port < 0 || port > 65535) return Usage("bad port " + v);
            options.trayPort = static_cast<uint16_t>(port);
        } else if (arg == "--list-port" && value(&v)) {
            if (v != "off") {
                char* end = nullptr;
                const long port = std::strtol(v.c_str(), &end, 10);
                if (*end || port < 0 || port > 65535) return Usage("bad list port " + v);
                options.listEnabled = true;
                options.listPort = static_cast<uint16_t>(port);
            }
        } else if (arg == "--login" && value(&v)) {
            loginAnswer = v;
        } else if (arg == "--no-keepalive-answer") {
            keepAliveAnswer = false;
        } else if (arg == "--ready-after" && value(&v)) {
            int64_t ms;
            if (!devserver::ParseDuration(v, &ms)) return Usage("bad duration " + v);
            options.readyAfterMs = static_cast<int>(ms);
        } else if (arg == "--chat-server" && value(&v)) {
            chatServer = v;
        } else if (arg == "--member" && value(&v)) {
            devserver::MemberProfile p;
            std::string error;
            if (!devserver::ParseProfileText(v, &p, &error)) return Usage(error);
            members.push_back(p);
        } else if (arg == "--script" && value(&v)) {
            scriptPath = v;
        } else if (arg == "--no-stdin") {
            readStdin = false;
        } else {
            return Usage("unknown or incomplete option " + arg);
        }
    }

    devserver::Scenario script;
    if (!scriptPath.empty()) {
        std::string text;
        if (!ReadFile(scriptPath, &text)) return Usage("cannot read " + scriptPath);
        std::vector<devserver::ScriptError> errors;
        if (!script.Parse(text, &errors)) {
            for (const auto& e : errors)
                std::fprintf(stderr, "%s:%d: %s\n", scriptPath.c_str(), e.line, e.message.c_str());
            return 2;
        }
    }

    devserver::DevServer server(options);
    if (loginAnswer) {
        devserver::Scenario line;
        std::vector<devserver::ScriptError> errors;
        if (!line.Parse("login " + *loginAnswer, &errors)) return Usage("bad --login " + *loginAnswer);
        line.Run(server, gStop);
    }
    server.SetAnswerKeepAlives(keepAliveAnswer);
    if (!chatServer.empty()) server.SetChatServerAddress(chatServer);
    for (const auto& m : members) server.SetMember(m);

    // Settings and triggers at the head of the script apply before the first client can connect.
    const size_t head = script.FirstBlockingStep();
    script.Run(server, gStop, 0, head);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "devserver: %s\n", error.c_str());
        return 1;
    }

    std::thread scriptThread([&] {
        if (script.Run(server, gStop, head) == devserver::Scenario::Outcome::Quit) gStop = true;
    });
    if (readStdin) {
        // Left running at exit: a blocking read cannot be interrupted portably.
        std::thread([&server] { ReadStdin(server); }).detach();
    }
    while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    scriptThread.join();
    server.Stop();
    std::fflush(stdout);
    // The stdin reader may still be blocked in getline; leave without waiting for it.
    std::_Exit(0);
}
