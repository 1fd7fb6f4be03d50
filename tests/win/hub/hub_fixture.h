// A real CTrayMainDlg in the test process: connected to the development server
// on a free port (with the server told to answer nothing the tests do not
// feed themselves), or unconnected. Every seam a person would see or answer is
// recorded: message boxes, sounds, the browser, the tray icon and its menu,
// and process starts.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browser_seam.h"
#include "sound_seam.h"
#include "system_tray.h"
#include "tray_main_dlg.h"
#include "dev_server.h"
#include "process_launcher.h"
#include "tray_bodies.h"
#include "win_test_support.h"

namespace hub {

using devserver::Bytes;
using devserver::MemberProfile;
using devserver::RecordedPacket;

struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAW data;
};

class HubTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The main window against the development server, logged in as "me" (own sex F).
    void OpenConnected(const std::string& args = "me/pw/F/sess/127.0.0.1");
    // The main window without a server address: it never connects.
    void OpenUnconnected(const std::string& args = "me/pw/F/sess/");

    // Hands the main window a packet as the reader thread would (a heap copy,
    // header in host order) and has it handled at once.
    void Feed(uint16_t command, uint16_t kind, const Bytes& body);
    // Packets the client sent with this command since the last Mark().
    std::vector<RecordedPacket> Sent(uint16_t command) const;
    // Pumps until `count` such packets arrived at the server.
    bool WaitSent(uint16_t command, size_t count, DWORD timeoutMs = 5000) const;
    // Every packet the client sent since the last Mark(), in order.
    std::vector<RecordedPacket> SentSinceMark() const;
    void Mark();
    void Settle(DWORD ms = 200) const { testing_support::PumpFor(ms); }
    size_t BoxCount(const std::string& text) const { return boxes.CountText(text); }

    // Helpers for the popups.
    static void Click(HWND popup, int controlId);
    static void Tick(HWND popup, UINT_PTR timerId, int times = 1);
    static std::string ItemText(HWND popup, int controlId);
    static POINT Place(HWND popup);

    bool Ended() const { return !::IsWindow(window); }

    // Recorded seams.
    testing_support::MessageBoxRecorder boxes;
    std::vector<BrowserNavigation> navigations;
    std::vector<ShellOpenRequest> shellOpens;
    BrowserResult navigateAnswer;
    std::vector<SoundRequest> sounds;
    std::vector<NotifyCall> notifyCalls;
    std::function<BOOL(HMENU, UINT, int, int, HWND)> onMenu;
    std::vector<std::string> launches;
    ProcessLaunchResult launchAnswer{true, true, 0};
    std::function<void(const std::string&)> onLaunch;

    std::unique_ptr<devserver::DevServer> server;
    std::unique_ptr<CTrayMainDlg> dlg;
    HWND window = nullptr;

private:
    size_t mark = 0;
    BrowserSeam previousBrowser;
    SoundHandler previousSound;
    TrayShellSeam previousTray;
    ProcessLaunchHandler previousLauncher;
};

// A member as the server describes it.
MemberProfile Member(const std::string& id, char sex, const std::string& nickname = "");
Bytes IncomingRequestBody(const MemberProfile& asker, char requestFlag = 'S');
// The chat server address "0.0.0.0" means the server has none.
Bytes DecisionBody(const std::string& memberId, char decision, const std::string& chatServer = "10.1.2.3",
                   const std::string& code = "");
devserver::AnswerBody ParseAnswer(const RecordedPacket& p);
devserver::ControlBody ParseControl(const RecordedPacket& p);
std::string ParseTargetId(const RecordedPacket& p);

}  // namespace hub
