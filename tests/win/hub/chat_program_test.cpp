// The chat program's start: the exact command line through the process-start
// seam, and a real start of the stand-in "PVChat.exe" under wine, which also
// proves that a running copy is found and terminated first.
#include "hub_fixture.h"

#include <tlhelp32.h>

#include <fstream>

#include "bodies.h"
#include "chat_command_line.h"

namespace hub {
namespace {

int CountChatPrograms() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    int n = 0;
    PROCESSENTRY32 e;
    e.dwSize = sizeof e;
    for (BOOL more = ::Process32First(snapshot, &e); more; more = ::Process32Next(snapshot, &e))
        n += IsChatProgramName(e.szExeFile);
    ::CloseHandle(snapshot);
    return n;
}

ChatDecision Decision(const std::string& address, const std::string& key) {
    const Bytes body = DecisionBody("bob", 'A', address);
    std::optional<ChatDecision> d = ParseChatDecision(body.data(), body.size());
    d->chatKey = key;
    return *d;
}

class ChatProgramTest : public HubTest {
protected:
    void TearDown() override {
        ::SetEnvironmentVariableA("PVCHAT_STANDIN_STAY", nullptr);
        ::SetEnvironmentVariableA("PVCHAT_STANDIN_LOG", nullptr);
        HubTest::TearDown();
    }
    std::vector<std::string> LoggedLines() const {
        std::ifstream in(logPath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::string logPath;
};

TEST_F(ChatProgramTest, CommandLineCarriesTheEightQuotedValues) {
    OpenUnconnected("me/pw/F/sess/");
    dlg->webcamPresent = true;
    dlg->loginMark = 'P';
    dlg->LaunchChatProgram(Decision("10.1.2.3", std::string(32, 'k')));
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0], "PVChat.exe \"me\" \"pw\" \"10.1.2.3\" \"10.1.2.3\" \"" + std::string(32, 'k') +
                               "\" \"T\" \"P\" \"F\"");
    EXPECT_EQ(boxes.Count(), 0u);

    dlg->webcamPresent = false;
    dlg->LaunchChatProgram(Decision("10.1.2.3", "key"));
    EXPECT_NE(launches[1].find("\"key\" \"F\" \"P\" \"F\""), std::string::npos);
}

TEST_F(ChatProgramTest, StartFailureIsTold) {
    OpenUnconnected();
    launchAnswer = ProcessLaunchResult{false, false, ERROR_FILE_NOT_FOUND};
    dlg->LaunchChatProgram(Decision("10.1.2.3", "key"));
    EXPECT_EQ(boxes.CountText("채팅프로그램을 실행할 수 없습니다. 로그아웃 후 다시 로그인 해 주세요."), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "서버 메시지");
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_TOPMOST));
}

TEST_F(ChatProgramTest, RealStartReplacesARunningCopy) {
    SetProcessLaunchHandler(nullptr);  // the real CreateProcessA and WaitForInputIdle
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    logPath = std::string(temp) + "pvchat-standin-" + std::to_string(::GetCurrentProcessId()) + ".log";
    ::DeleteFileA(logPath.c_str());
    ::SetEnvironmentVariableA("PVCHAT_STANDIN_LOG", logPath.c_str());
    ::SetEnvironmentVariableA("PVCHAT_STANDIN_STAY", "1");
    OpenUnconnected("me/pw/M/sess/");
    dlg->KillChatProgram();
    ASSERT_EQ(CountChatPrograms(), 0);

    dlg->LaunchChatProgram(Decision("10.1.2.3", "first"));
    ASSERT_EQ(CountChatPrograms(), 1);
    dlg->LaunchChatProgram(Decision("10.9.9.9", "second"));
    EXPECT_EQ(CountChatPrograms(), 1);  // the first copy was terminated before the start
    EXPECT_EQ(boxes.Count(), 0u);
    const std::vector<std::string> lines = LoggedLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "PVChat.exe \"me\" \"pw\" \"10.1.2.3\" \"10.1.2.3\" \"first\" \"F\" \"\" \"M\"");
    EXPECT_NE(lines[1].find("\"second\""), std::string::npos);

    EXPECT_TRUE(dlg->KillChatProgram());
    EXPECT_FALSE(dlg->KillChatProgram());
    EXPECT_EQ(CountChatPrograms(), 0);
    ::DeleteFileA(logPath.c_str());
}

}  // namespace
}  // namespace hub
