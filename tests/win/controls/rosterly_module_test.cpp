// The real Rosterly.ocx: self-registration through regsvr32, what it writes,
// its registered type library, resources and property page, and a control
// made by its ProgID loading its PARAM values. No control window is made
// here: a live member list connects to the list server.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "control_host.h"
#include "module_identity.h"
#include "module_test_support.h"
#include "ole_text.h"
#include "typelib_expectations.h"
#include "version_text.h"

#ifndef ROSTERLY_OCX_PATH
#error ROSTERLY_OCX_PATH names the module under test
#endif

using namespace module_test_support;

namespace {

const std::wstring kClsid = L"{057D5895-6169-4250-837A-9595709E3D3C}";
const std::wstring kTypeLib = L"{887F8CA1-5494-4A58-B621-C4735AE61B6C}";
const std::wstring kProgId = L"ROSTERLY.RosterlyCtrl.1";

// What the property exchange reads and writes, in its order: the version
// stamp, the framework's own state, then the control's persisted properties.
const std::vector<std::wstring> kExchangeOrder = {L"_Version", L"_ExtentX", L"_ExtentY", L"_StockProps",
                                                   L"SEX",      L"ID",       L"PWD",      L"SERVERIP"};

std::wstring OcxPath() { return WideFromUtf8(ROSTERLY_OCX_PATH); }

int Regsvr32(bool unregister) { return RunRegsvr32(OcxPath(), unregister); }

ExpectedModule Expected() {
    return {OcxPath(), kClsid, L"{8B0C5785-7693-490B-A6FC-0F95D4A25EDF}", kTypeLib, kProgId,
            L"Rosterly Control", L"Rosterly Property Page", L"Rosterly ActiveX Control Module"};
}

HWND MakeFrame() {
    return ::CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

class RosterlyModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, Regsvr32(false)); }
};

}  // namespace

TEST_F(RosterlyModule, RegisteringTwiceSucceedsAndWritesTheControlClass) {
    ASSERT_EQ(0, Regsvr32(false));  // the second time in a row
    ExpectRegistered(Expected());
}

TEST_F(RosterlyModule, UnregisteringRemovesTheClassesAndTypeLibraryButLeavesTheCategories) {
    ExpectUnregistrationKeepsTheCategories(Expected());
}

TEST_F(RosterlyModule, RegisteredAndEmbeddedTypeLibrariesNameEveryPropertyWithItsDispatchId) {
    ExpectTypeLibraries(Expected(), kRosterlyModule, RosterlyProperties());
}

TEST_F(RosterlyModule, VersionAndShellResources) {
    ExpectVersionAndShellResources(Expected());
    // The member list's own string table does not hide the shell's strings.
    HMODULE module = ::LoadLibraryExW(OcxPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    wchar_t buffer[128];
    ASSERT_GT(::LoadStringW(module, 102, buffer, 128), 0);
    EXPECT_STREQ(L"Windows sockets initialization failed.", buffer);
    ::FreeLibrary(module);
}

TEST_F(RosterlyModule, ThePropertyPageShowsOnlyItsTextAndChangesNothing) {
    ExpectPageShowsOnlyItsText(
        Expected(), {{L"SEX", L"man"}, {L"ID", L"viewer"}, {L"PWD", L"pw"}, {L"SERVERIP", L"127.0.0.1"}},
        "TODO: Place controls to manipulate properties of Rosterly Control on this dialog.");
}

TEST_F(RosterlyModule, TheControlReadsItsParamsInOrderAndAMissingOneIsEmpty) {
    CControlHost host;
    // In another order than the control reads them, and without PWD and SERVERIP.
    host.SetParam(L"ID", L"viewer");
    host.SetParam(L"SEX", L"woman");
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgId));
    HWND frame = MakeFrame();
    ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 10, 10}));
    EXPECT_EQ(kExchangeOrder, host.Params().ReadOrder());
    EXPECT_FALSE(host.ControlWindow());  // loading alone makes no list, so no connection

    CParamBag* saved = SavedState(host.Control());
    EXPECT_EQ(kExchangeOrder, saved->WriteOrder());
    EXPECT_EQ(L"65536", *saved->Find(L"_Version"));
    EXPECT_EQ(L"woman", *saved->Find(L"SEX"));
    EXPECT_EQ(L"viewer", *saved->Find(L"ID"));
    EXPECT_EQ(L"", *saved->Find(L"PWD"));
    EXPECT_EQ(L"", *saved->Find(L"SERVERIP"));
    saved->Release();
    host.Close();
    ::DestroyWindow(frame);
}

TEST_F(RosterlyModule, ControlByProgIdReportsItsClassAndItsOwnPageFromTheRegisteredLibrary) {
    ExpectClassInfoAndPage(Expected(), kRosterlyModule);
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgId));
    DISPID id = 0;
    EXPECT_EQ(S_OK, host.GetDispatchId(L"textbuddy", &id));
    EXPECT_EQ(4, id);
    host.Close();
}
