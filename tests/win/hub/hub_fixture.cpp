#include "hub_fixture.h"

#include <cstring>

#include "bodies.h"
#include "member_profiles.h"
#include "tray_messages.h"

using namespace testing_support;

namespace hub {
namespace {
// Before any window exists.
const bool kUnmanagedWindows = testing_support::MakeThisProgramsWindowsUnmanaged();
}  // namespace

void HubTest::SetUpTestSuite() {
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(1, 1), &wsa);
}

void HubTest::SetUp() {
    previousBrowser = SetBrowserSeam(BrowserSeam{
        [this](const BrowserNavigation& r) {
            navigations.push_back(r);
            return navigateAnswer;
        },
        [this](const ShellOpenRequest& r) {
            shellOpens.push_back(r);
            return true;
        }});
    previousSound = SetSoundHandler([this](const SoundRequest& r) { sounds.push_back(r); });
    previousTray = SetTrayShellSeam(TrayShellSeam{
        [this](DWORD message, const NOTIFYICONDATAW& data) {
            notifyCalls.push_back(NotifyCall{message, data});
            return TRUE;
        },
        [this](HMENU menu, UINT flags, int x, int y, HWND owner) {
            return onMenu ? onMenu(menu, flags, x, y, owner) : TRUE;
        }});
    previousLauncher = SetProcessLaunchHandler([this](const std::string& line) {
        launches.push_back(line);
        if (onLaunch) onLaunch(line);
        return launchAnswer;
    });
}

void HubTest::TearDown() {
    if (window && ::IsWindow(window)) ::DestroyWindow(window);
    dlg.reset();
    if (server) server->Stop();
    SetBrowserSeam(previousBrowser);
    SetSoundHandler(previousSound);
    SetTrayShellSeam(previousTray);
    SetProcessLaunchHandler(previousLauncher);
}

void HubTest::OpenConnected(const std::string& args) {
    devserver::DevServerOptions options;
    options.trayPort = 0;
    options.logSink = [](const std::string&) {};
    server = std::make_unique<devserver::DevServer>(options);
    ASSERT_TRUE(server->Start());
    // The tests play the server's part themselves.
    for (uint16_t command : {CMD_CHAT_REQUEST, CMD_CHAT_ANSWER, CMD_CHAT_CONTROL, CMD_NOTE, CMD_CHAT_CHECK})
        server->SetReply(command, devserver::Reply::None());
    dlg = std::make_unique<CTrayMainDlg>(("Notewell.exe " + args).c_str());
    dlg->serverPort = server->TrayPort();
    ASSERT_TRUE(dlg->Create(IDD_TRAY_MAIN));
    window = dlg->m_hWnd;
    ASSERT_TRUE(PumpUntil([&] { return dlg->isLoggedIn; }, 10000));
    dlg->KillTimer(CTrayMainDlg::KEEPALIVE_TIMER);
    Mark();
}

void HubTest::OpenUnconnected(const std::string& args) {
    dlg = std::make_unique<CTrayMainDlg>(("Notewell.exe " + args).c_str());
    ASSERT_TRUE(dlg->Create(IDD_TRAY_MAIN));
    window = dlg->m_hWnd;
}

void HubTest::Feed(uint16_t command, uint16_t kind, const Bytes& body) {
    PacketHeader header{static_cast<uint16_t>(body.size()), command, kind};
    std::vector<uint8_t> packet(kHeaderSize + body.size());
    std::memcpy(packet.data(), &header, kHeaderSize);
    if (!body.empty()) std::memcpy(packet.data() + kHeaderSize, body.data(), body.size());
    uint8_t* copy = NewSocketEventCopy(packet.data(), packet.size());
    ::SendMessageA(window, WM_SOCKET_EVENT, RouteServerCommand(command).event, reinterpret_cast<LPARAM>(copy));
}

std::vector<RecordedPacket> HubTest::SentSinceMark() const {
    std::vector<RecordedPacket> all = server->Received();
    return std::vector<RecordedPacket>(all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())),
                                       all.end());
}

std::vector<RecordedPacket> HubTest::Sent(uint16_t command) const {
    std::vector<RecordedPacket> out;
    for (const RecordedPacket& p : SentSinceMark())
        if (p.command == command) out.push_back(p);
    return out;
}

bool HubTest::WaitSent(uint16_t command, size_t count, DWORD timeoutMs) const {
    return PumpUntil([&] { return Sent(command).size() >= count; }, timeoutMs);
}

void HubTest::Mark() {
    Settle(100);
    mark = server ? server->Received().size() : 0;
}

void HubTest::Click(HWND popup, int controlId) {
    ::SendMessageA(popup, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(popup, controlId)));
}

void HubTest::Tick(HWND popup, UINT_PTR timerId, int times) {
    for (int i = 0; i < times && ::IsWindow(popup); ++i) ::SendMessageA(popup, WM_TIMER, timerId, 0);
}

std::string HubTest::ItemText(HWND popup, int controlId) {
    return testing_support::DlgItemTextOf(popup, controlId);
}

POINT HubTest::Place(HWND popup) {
    RECT r{};
    ::GetWindowRect(popup, &r);
    return POINT{r.left, r.top};
}

MemberProfile Member(const std::string& id, char sex, const std::string& nickname) {
    MemberProfile m = devserver::DefaultProfile(id);
    m.sex = sex;
    m.nickname = nickname.empty() ? id : nickname;
    return m;
}

Bytes IncomingRequestBody(const MemberProfile& asker, char requestFlag) {
    return devserver::BuildIncomingChatRecord(asker, requestFlag);
}

Bytes DecisionBody(const std::string& memberId, char decision, const std::string& chatServer,
                   const std::string& code) {
    return devserver::BuildChatDecision(memberId, decision, "0123456789abcdef0123456789ABCDEF", chatServer, code);
}

devserver::AnswerBody ParseAnswer(const RecordedPacket& p) {
    devserver::AnswerBody a;
    EXPECT_TRUE(devserver::ParseAnswer(p.body, &a));
    return a;
}

devserver::ControlBody ParseControl(const RecordedPacket& p) {
    devserver::ControlBody c;
    EXPECT_TRUE(devserver::ParseControl(p.body, &c));
    return c;
}

std::string ParseTargetId(const RecordedPacket& p) {
    devserver::TargetBody t;
    EXPECT_TRUE(devserver::ParseTarget(p.body, &t));
    return t.id;
}

}  // namespace hub
