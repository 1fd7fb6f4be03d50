// The process-start seam against real programs, and the container's script
// and command-line parsing.
#include <gtest/gtest.h>

#include "host_script.h"
#include "process_launcher.h"

#ifndef FAKE_NOTEWELL_PATH
#error FAKE_NOTEWELL_PATH names the stand-in program
#endif

TEST(ProcessLauncher, AMissingProgramIsNotStartedAndSaysWhy) {
    const ProcessLaunchResult r = LaunchProcess("NoSuchProgram_7f3a.exe a/b");
    EXPECT_FALSE(r.started);
    EXPECT_FALSE(r.inputIdle);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), r.error);
}

TEST(ProcessLauncher, AWindowedProgramIsStartedAndWaitedForUntilIdle) {
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    ::SetEnvironmentVariableA("FAKE_TRAY_LIFETIME_MS", "300");
    const ProcessLaunchResult r = LaunchProcess(std::string("\"") + FAKE_NOTEWELL_PATH + "\" x/y");
    ::SetEnvironmentVariableA("FAKE_TRAY_LIFETIME_MS", nullptr);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.inputIdle);
    EXPECT_EQ(0u, r.error);
    // Its window exists once the wait is over.
    HWND tray = ::FindWindowA(nullptr, "PvxTray");
    EXPECT_TRUE(tray != nullptr);
    for (int i = 0; i < 50 && ::FindWindowA(nullptr, "PvxTray"); ++i) ::Sleep(50);
}

TEST(ProcessLauncher, AHandlerAnswersInsteadOfTheSystemUntilItIsRemoved) {
    std::string seen;
    SetProcessLaunchHandler([&](const std::string& line) {
        seen = line;
        return ProcessLaunchResult{true, false, 1234};
    });
    const ProcessLaunchResult r = LaunchProcess("Anything.exe 1/2");
    EXPECT_EQ("Anything.exe 1/2", seen);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(1234u, r.error);
    SetProcessLaunchHandler(nullptr);
    EXPECT_FALSE(LaunchProcess("NoSuchProgram_7f3a.exe").started);
}

namespace {
std::vector<HostAction> Parse(const std::wstring& script) {
    std::vector<HostAction> actions;
    std::wstring error;
    EXPECT_TRUE(ParseHostScript(script, &actions, &error)) << std::string(error.begin(), error.end());
    return actions;
}
}  // namespace

TEST(HostScript, LinesBecomeStepsAndValuesKeepTheirBlanks) {
    const auto a = Parse(L"\uFEFF# a page\r\ncreate GATEKIN.GatekinCtrl.1\r\n  param ID  spaced value \r\n"
                         L"param SESSIONID\nactivate\nset LogStateProc 0\nsettext TextID 007\nget TextPWD\n"
                         L"wait 250\n\nclose\n");
    ASSERT_EQ(9u, a.size());
    EXPECT_EQ(HostAction::Kind::Create, a[0].kind);
    EXPECT_EQ(L"GATEKIN.GatekinCtrl.1", a[0].name);
    EXPECT_EQ(L"ID", a[1].name);
    EXPECT_EQ(L" spaced value ", a[1].value);
    EXPECT_EQ(L"SESSIONID", a[2].name);
    EXPECT_EQ(L"", a[2].value);
    EXPECT_EQ(HostAction::Kind::Activate, a[3].kind);
    EXPECT_EQ(HostAction::Kind::Set, a[4].kind);
    EXPECT_EQ(HostAction::Kind::SetText, a[5].kind);
    EXPECT_EQ(HostAction::Kind::Get, a[6].kind);
    EXPECT_EQ(250u, a[7].milliseconds);
    EXPECT_EQ(HostAction::Kind::Close, a[8].kind);
}

TEST(HostScript, BadLinesNameTheirLine) {
    std::vector<HostAction> actions;
    std::wstring error;
    EXPECT_FALSE(ParseHostScript(L"create X\nwait soon\n", &actions, &error));
    EXPECT_EQ(L"line 2: wait needs milliseconds (at most 9 digits)", error);
    EXPECT_FALSE(ParseHostScript(L"jump 3\n", &actions, &error));
    EXPECT_EQ(L"line 1: unknown command 'jump'", error);
    EXPECT_FALSE(ParseHostScript(L"wait 99999999999\n", &actions, &error));
    EXPECT_FALSE(ParseHostScript(L"get\n", &actions, &error));
}

TEST(HostScript, CommandLineStepsComeInOrderAndScriptsAreRead) {
    HostOptions options;
    std::wstring error;
    const std::vector<std::wstring> args = {L"GATEKIN.GatekinCtrl.1", L"--param", L"ID=a=b", L"--script", L"s.txt",
                                            L"--set", L"SendAllChat=", L"--stay"};
    auto reader = [](const std::wstring& path, std::wstring* text) {
        if (path != L"s.txt") return false;
        *text = L"get TextID\n";
        return true;
    };
    ASSERT_TRUE(ParseHostArguments(args, reader, &options, &error));
    ASSERT_EQ(4u, options.actions.size());
    EXPECT_EQ(L"a=b", options.actions[1].value);  // split at the first '='
    EXPECT_EQ(HostAction::Kind::Get, options.actions[2].kind);
    EXPECT_EQ(L"SendAllChat", options.actions[3].name);
    EXPECT_EQ(L"", options.actions[3].value);
    EXPECT_TRUE(options.stay);

    HostOptions other;
    EXPECT_FALSE(ParseHostArguments({L"--script", L"missing.txt"}, reader, &other, &error));
    EXPECT_FALSE(ParseHostArguments({L"--set"}, reader, &other, &error));
    EXPECT_FALSE(ParseHostArguments({L"--frobnicate", L"1"}, reader, &other, &error));
}

TEST(HostScript, TheWindowIsNamedAndPlacedOnlyByWellFormedOptions) {
    HostOptions options;
    std::wstring error;
    ASSERT_TRUE(ParseHostArguments({L"--title", L"로그인 페이지", L"--at", L"40,700"}, nullptr, &options, &error));
    EXPECT_EQ(L"로그인 페이지", options.title);
    EXPECT_TRUE(options.placed);
    EXPECT_EQ(40, options.x);
    EXPECT_EQ(700, options.y);
    EXPECT_TRUE(options.actions.empty());

    for (const wchar_t* bad : {L"40", L",7", L"7,", L"-1,2", L"1,2,3", L"123456,1", L"1,x"}) {
        HostOptions other;
        EXPECT_FALSE(ParseHostArguments({L"--at", bad}, nullptr, &other, &error)) << bad;
        EXPECT_FALSE(other.placed);
    }
}

TEST(HostScript, ScriptValuesAreNumbersWhenTheyLookLikeOne) {
    VARIANT v;
    ASSERT_EQ(S_OK, MakeScriptValue(L"-32768", false, &v));
    EXPECT_EQ(VT_I4, V_VT(&v));
    EXPECT_EQ(-32768, V_I4(&v));
    ASSERT_EQ(S_OK, MakeScriptValue(L"25", true, &v));
    EXPECT_EQ(VT_BSTR, V_VT(&v));
    ::VariantClear(&v);
    for (const wchar_t* text : {L"", L"-", L"12a", L"99999999999"}) {
        ASSERT_EQ(S_OK, MakeScriptValue(text, false, &v));
        EXPECT_EQ(VT_BSTR, V_VT(&v)) << std::wstring(text).size();
        ::VariantClear(&v);
    }
}

TEST(HostScript, APageHoldsSeveralControlsEachWithItsOwnSize) {
    HostOptions options;
    std::wstring error;
    ASSERT_TRUE(ParseHostArguments({L"GATEKIN.GatekinCtrl.1", L"--activate", L"ROSTERLY.RosterlyCtrl.1", L"--size",
                                    L"640,420", L"--activate", L"--where"},
                                   nullptr, &options, &error));
    ASSERT_EQ(6u, options.actions.size());
    EXPECT_EQ(HostAction::Kind::Create, options.actions[2].kind);
    EXPECT_EQ(L"ROSTERLY.RosterlyCtrl.1", options.actions[2].name);
    EXPECT_EQ(HostAction::Kind::Size, options.actions[3].kind);
    EXPECT_EQ(640, options.actions[3].width);
    EXPECT_EQ(420, options.actions[3].height);
    EXPECT_EQ(HostAction::Kind::Where, options.actions[5].kind);

    std::vector<HostAction> actions;
    for (const wchar_t* bad : {L"size 0,20\n", L"size 20\n", L"size 20,x\n"}) {
        EXPECT_FALSE(ParseHostScript(bad, &actions, &error)) << bad;
        EXPECT_EQ(L"line 1: size needs W,H in pixels", error);
    }
}
