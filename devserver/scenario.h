// Scenario files: a small line-oriented language that scripts the server's
// behaviour for a demo or an end-to-end test. The same lines can be typed on
// the devserver's standard input. The language is described in README.md.
//
//   member alice nick=앨리스 sex=F age=27
//   on 2011 answer F NO_SUCH_USER
//   after-login alice 2s send 2007 4 note-from bob "안녕하세요"
//   after-login 5s end O
//   wait 10s
//   send to=alice split=3,3 gap=200ms 2002 2
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dev_server.h"

namespace devserver {

struct ScriptError {
    int line = 0;
    std::string message;
};

class Scenario {
public:
    // One step per statement, in file order.
    struct Step {
        enum class Type { Apply, Wait, WaitLogin, Quit };
        Type type = Type::Apply;
        int line = 0;
        int64_t ms = 0;       // Wait: the pause; WaitLogin: the time-out
        std::string member;   // WaitLogin
        std::function<void(DevServer&)> apply;
    };

    // Adds the statements of `text` (a file or one typed line). Lines with
    // errors are left out and reported; the others are kept.
    bool Parse(const std::string& text, std::vector<ScriptError>* errors, int firstLine = 1);

    const std::vector<Step>& Steps() const { return steps_; }
    // Index of the first step that waits (or quits); the steps before it are
    // settings and triggers that may be applied before the server starts.
    size_t FirstBlockingStep() const;

    enum class Outcome { Finished, Quit, Stopped };
    // Runs steps [from, to) in order; waits end early when *stop turns true.
    Outcome Run(DevServer& server, const std::atomic<bool>& stop, size_t from = 0,
                size_t to = static_cast<size_t>(-1)) const;

    // Summary of the language for the interactive "help" command.
    static const char* HelpText();

private:
    std::vector<Step> steps_;
};

// A duration such as "250ms", "2s", "1.5s" or "0"; false when malformed.
bool ParseDuration(const std::string& text, int64_t* ms);

}  // namespace devserver
