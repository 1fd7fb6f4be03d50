// The real Gatekin.ocx: self-registration through regsvr32, what it writes,
// its registered type library, resources and property page, and the control
// made by its ProgID starting a stand-in Notewell.exe in another process.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "control_host.h"
#include "module_identity.h"
#include "module_test_support.h"
#include "ole_text.h"
#include "records.h"
#include "tray_messages.h"
#include "typelib_expectations.h"
#include "version_text.h"
#include "win_test_support.h"

#ifndef GATEKIN_OCX_PATH
#error GATEKIN_OCX_PATH names the module under test
#endif
#ifndef CONTAINER_EXE_PATH
#error CONTAINER_EXE_PATH names the container program
#endif

using namespace module_test_support;

namespace {

std::wstring OcxPath() { return WideFromUtf8(GATEKIN_OCX_PATH); }

int Regsvr32(bool unregister) { return RunRegsvr32(OcxPath(), unregister); }

ExpectedModule Expected() {
    return {OcxPath(),
            L"{89887BF5-4668-4728-8FBF-9819AFFCC72F}",
            L"{3596A804-70B0-4054-A729-0DE6D20BAA81}",
            L"{606EE1B9-74DD-4718-9B1F-9F4B72535654}",
            L"GATEKIN.GatekinCtrl.1",
            L"Gatekin Control",
            L"Gatekin Property Page",
            L"Gatekin ActiveX Control Module"};
}

// A stand-in Notewell left behind by a failed test would spoil the next one.
void CloseStrayStandIns() {
    for (int i = 0; i < 20; ++i) {
        HWND tray = ::FindWindowA("FakeNotewellWindow", kTrayWindowTitle);
        if (!tray) return;
        ::SendMessageTimeoutA(tray, WM_TRAY_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
        ::Sleep(50);
    }
}

bool WaitUntilNoTray(DWORD limitMs) {
    for (DWORD waited = 0; waited < limitMs; waited += 25) {
        if (!::FindWindowA(nullptr, kTrayWindowTitle)) return true;
        ::Sleep(25);
    }
    return false;
}


std::string TempLogPath(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    ::DeleteFileA(path.c_str());
    return path;
}

class GatekinModule : public ::testing::Test {
protected:
    void SetUp() override {
        CloseStrayStandIns();
        ASSERT_EQ(0, Regsvr32(false));
    }
    void TearDown() override { CloseStrayStandIns(); }
};

}  // namespace

TEST_F(GatekinModule, RegisteringTwiceSucceedsAndWritesTheControlClass) {
    ASSERT_EQ(0, Regsvr32(false));  // the second time in a row
    ExpectRegistered(Expected());
}

TEST_F(GatekinModule, UnregisteringRemovesTheClassesAndTypeLibraryButLeavesTheCategories) {
    ExpectUnregistrationKeepsTheCategories(Expected());
}

TEST_F(GatekinModule, RegisteredAndEmbeddedTypeLibrariesNameEveryPropertyWithItsDispatchId) {
    ExpectTypeLibraries(Expected(), kGatekinModule, GatekinProperties());
}

TEST_F(GatekinModule, VersionAndShellResources) { ExpectVersionAndShellResources(Expected()); }

TEST_F(GatekinModule, ThePropertyPageShowsOnlyItsTextAndChangesNothing) {
    ExpectPageShowsOnlyItsText(Expected(), {{L"ID", L"alice"}},
                               "TODO: Place controls to manipulate properties of Gatekin Control on this dialog.");
}

TEST_F(GatekinModule, ControlByProgIdReportsItsClassAndItsOwnPageFromTheRegisteredLibrary) {
    ExpectClassInfoAndPage(Expected(), kGatekinModule);
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(L"GATEKIN.GatekinCtrl.1"));
    DISPID id = 0;
    EXPECT_EQ(S_OK, host.GetDispatchId(L"sendallchat", &id));
    EXPECT_EQ(8, id);
    host.Close();
}

TEST_F(GatekinModule, APageStartsNotewellOnceAndReachesItInItsOwnProcess) {
    ASSERT_FALSE(::FindWindowA(nullptr, kTrayWindowTitle)) << "another \"PvxTray\" window exists";
    const std::string log = TempLogPath("gatekin_module_tray.log");
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", log.c_str());
    ::SetEnvironmentVariableA("FAKE_TRAY_ASK", "cancel");
    HWND page = ::CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    {
        CControlHost host;
        for (const auto& p : std::vector<std::pair<std::wstring, std::wstring>>{
                 {L"ID", L"alice"}, {L"PWD", L"pw"}, {L"SEX", L"M"}, {L"SESSIONID", L"S1"}, {L"SERVERIP", L"127.0.0.1"}})
            host.SetParam(p.first, p.second);
        ASSERT_EQ(S_OK, host.CreateByProgId(L"GATEKIN.GatekinCtrl.1"));
        ASSERT_EQ(S_OK, host.Load(page, RECT{0, 0, 10, 10}));
        ASSERT_EQ(S_OK, host.Activate());
        auto set = [&](const wchar_t* name, VARIANT v) {
            EXPECT_EQ(S_OK, host.SetProperty(name, v)) << Utf8FromWide(name);
            ::VariantClear(&v);
        };
        auto number = [](int n) {
            VARIANT v;
            V_VT(&v) = VT_I4;
            V_I4(&v) = n;
            return v;
        };
        auto text = [](const wchar_t* t) {
            VARIANT v;
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = ::SysAllocString(t);
            return v;
        };
        set(L"LogStateProc", number(0));
        ASSERT_TRUE(::FindWindowA(nullptr, kTrayWindowTitle)) << "the stand-in did not start";
        set(L"LogStateProc", number(0));
        set(L"SendLabel", text(L"id/nick/F/25"));
        set(L"SendAllChat", text(L""));
        set(L"LogStateProc", number(2));  // asks; the stand-in answers Cancel
        EXPECT_TRUE(::FindWindowA(nullptr, kTrayWindowTitle));
        set(L"LogStateProc", number(1));
        host.Close();
    }
    ::DestroyWindow(page);
    EXPECT_TRUE(WaitUntilNoTray(5000));
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    ::SetEnvironmentVariableA("FAKE_TRAY_ASK", nullptr);

    NoteTargetInfo note = PackNoteTargetInfo("id/nick/F/25");
    std::string hex;
    for (size_t i = 0; i < sizeof note; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", reinterpret_cast<const unsigned char*>(&note)[i]);
        hex += two;
    }
    const std::vector<std::string> expected = {
        "start Notewell.exe alice/pw/M/S1/127.0.0.1",
        "copydata 101 36 " + hex,
        "message 1041",
        "message 1038",
        "message 1039",
        "exit",
    };
    EXPECT_EQ(expected, testing_support::ReadFileLines(log));
}

TEST_F(GatekinModule, TheContainerProgramPlaysThePageFromItsCommandLine) {
    ASSERT_FALSE(::FindWindowA(nullptr, kTrayWindowTitle)) << "another \"PvxTray\" window exists";
    const std::string log = TempLogPath("gatekin_container_tray.log");
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", log.c_str());
    // Run from the stand-in's folder: the system's search finds Notewell.exe in
    // the current folder when the container's own folder has none.
    std::wstring folder = WideFromUtf8(FAKE_NOTEWELL_PATH);
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    const int code = RunProgram(L"\"" + WideFromUtf8(CONTAINER_EXE_PATH) +
                             L"\" GATEKIN.GatekinCtrl.1 --param ID=bob --param PWD=pw --param SEX=F"
                             L" --param SESSIONID=S2 --param SERVERIP=127.0.0.1 --set LogStateProc=0"
                             L" --set SendAllLabel=x --set LogStateProc=3 --wait 100",
                         folder.c_str());
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    EXPECT_EQ(0, code);
    EXPECT_TRUE(WaitUntilNoTray(5000));
    const std::vector<std::string> expected = {"start Notewell.exe bob/pw/F/S2/127.0.0.1", "message 1040",
                                               "message 1039", "exit"};
    EXPECT_EQ(expected, testing_support::ReadFileLines(log));
}
