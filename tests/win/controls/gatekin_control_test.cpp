// The login control hosted in-process as a page hosts it, with a stand-in
// "PvxTray" window and the process-start and message-box seams answered by
// the tests.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "control_host.h"
#include "gatekin_ctrl.h"
#include "message_box.h"
#include "process_launcher.h"
#include "records.h"
#include "tray_messages.h"
#include "tray_stand_in.h"
#include "win_test_support.h"

namespace {

const RECT kPosition = {0, 0, 40, 40};

class GatekinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AnyTrayWindow()) << "another \"PvxTray\" window exists (a running Notewell?)";
        page = ::CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 200, 100, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
        SetProcessLaunchHandler([this](const std::string& line) {
            launches.push_back(line);
            // A started Notewell shows its main window before it is idle.
            if (launch.started && launch.inputIdle && startsTray && !tray) tray = std::make_unique<TrayStandIn>();
            return launch;
        });
        SetMessageBoxHandler([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return IDOK;
        });
        control = new CGatekinCtrl();
        ASSERT_EQ(S_OK, host.Attach(static_cast<IOleObject*>(control)));
        control->Release();
    }

    void TearDown() override {
        host.Close();
        SetProcessLaunchHandler(nullptr);
        SetMessageBoxHandler(nullptr);
        tray.reset();
        ::DestroyWindow(page);
    }

    // The page's PARAM values, then the control shown on the page.
    void Show(const std::vector<std::pair<std::wstring, std::wstring>>& params = {}) {
        for (const auto& p : params) host.SetParam(p.first, p.second);
        ASSERT_EQ(S_OK, host.Load(page, kPosition));
        ASSERT_EQ(S_OK, host.Activate());
    }

    HRESULT Set(const wchar_t* name, const std::wstring& text) {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        const HRESULT hr = host.SetProperty(name, v);
        ::VariantClear(&v);
        return hr;
    }

    HRESULT SetState(int state) {
        VARIANT v;
        V_VT(&v) = VT_I4;  // page script passes numbers as 32-bit values
        V_I4(&v) = state;
        return host.SetProperty(L"LogStateProc", v);
    }

    std::vector<UINT> TrayMessages() const { return tray ? tray->Messages() : std::vector<UINT>(); }

    HWND page = nullptr;
    CGatekinCtrl* control = nullptr;
    CControlHost host;
    ProcessLaunchResult launch{true, true, 0};
    bool startsTray = true;
    std::unique_ptr<TrayStandIn> tray;
    std::vector<std::string> launches;
    std::vector<MessageBoxRequest> boxes;
};

}  // namespace

TEST_F(GatekinTest, StateZeroTwiceStartsOneNotewellAndWithoutIdentityPassesFourSeparators) {
    Show();
    ASSERT_EQ(S_OK, SetState(0));
    ASSERT_EQ(S_OK, SetState(0));
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ("Notewell.exe ////", launches[0]);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(TrayMessages().empty());  // starting sends nothing
}

TEST_F(GatekinTest, PageParamsAndPropertiesFormTheCommandLine) {
    Show({{L"ID", L"alice"}, {L"PWD", L"pw"}, {L"SEX", L"F"}, {L"SESSIONID", L"S-1"}, {L"SERVERIP", L"10.0.0.1"}});
    startsTray = false;  // each start below finds no Notewell running
    SetState(0);
    // The identity may also come from script; session and server only from PARAMs.
    Set(L"TextID", L"\uAE40\uCCA0\uC218");  // 김철수
    Set(L"TextPWD", L"secret");
    Set(L"TextSEX", L"M");
    SetState(0);
    ASSERT_EQ(2u, launches.size());
    EXPECT_EQ("Notewell.exe alice/pw/F/S-1/10.0.0.1", launches[0]);
    EXPECT_EQ("Notewell.exe 김철수/secret/M/S-1/10.0.0.1", launches[1]);  // UTF-8, started in UTF-16
}

TEST_F(GatekinTest, APasswordHoldingASlashShiftsTheLaterFields) {
    Show({{L"ID", L"id"}, {L"PWD", L"p/w"}, {L"SEX", L"M"}, {L"SESSIONID", L"S"}, {L"SERVERIP", L"1.2.3.4"}});
    SetState(0);
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ("Notewell.exe id/p/w/M/S/1.2.3.4", launches[0]);
    // As Notewell reads it: the password is cut and every later field moves on.
    const TrayArguments seen = ParseTrayCommandLine(launches[0]);
    EXPECT_EQ("p", seen.password);
    EXPECT_EQ("w", seen.sexField);
    EXPECT_EQ("M", seen.sessionId);
    EXPECT_EQ("S", seen.serverAddress);
}

TEST_F(GatekinTest, ClosingStatesSendTheirMessagesAndOtherStatesDoNothing) {
    Show();
    tray = std::make_unique<TrayStandIn>();
    for (int state : {4, 100, -1, -32768, 32767}) SetState(state);
    EXPECT_TRUE(TrayMessages().empty());
    SetState(1);
    SetState(3);
    SetState(2);
    SetState(2);  // the same state again repeats its action
    EXPECT_EQ((std::vector<UINT>{WM_TRAY_CLOSE, WM_TRAY_CLOSE, WM_TRAY_CLOSE_ASK, WM_TRAY_CLOSE_ASK}), TrayMessages());
    for (const TrayDelivery& d : tray->Deliveries()) {
        EXPECT_EQ(0u, d.wParam);
        EXPECT_EQ(0, d.lParam);
    }
    SetState(0);  // Notewell runs: no second copy
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(GatekinTest, AStartThatFailsShowsTheLoginMessageOwnedByTheControl) {
    Show();
    launch = ProcessLaunchResult{false, false, ERROR_FILE_NOT_FOUND};
    SetState(0);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("로그인이 정상적으로 이루어지지 않았습니다.로그아웃 하신 후 다시 로그인해주세요.", boxes[0].text);
    EXPECT_EQ("서버 메시지", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR | MB_TOPMOST), boxes[0].type);
    EXPECT_EQ(host.ControlWindow(), boxes[0].owner);
    EXPECT_TRUE(host.ControlWindow() != nullptr);
}

TEST_F(GatekinTest, AProgramThatNeverGetsIdleShowsTheNumberedError) {
    Show();
    launch = ProcessLaunchResult{true, false, 1234};
    SetState(0);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("1234번호의 Error가 발생했습니다.", boxes[0].text);
    EXPECT_EQ("서버 메시지", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR | MB_TOPMOST), boxes[0].type);
}

TEST_F(GatekinTest, SendLabelReachesNotewellAsA36ByteNoteRecord) {
    Show();
    tray = std::make_unique<TrayStandIn>();
    ASSERT_EQ(S_OK, Set(L"SendLabel", L"id/nick/F/25"));
    ASSERT_EQ(1u, tray->Deliveries().size());
    const TrayDelivery& d = tray->Deliveries()[0];
    EXPECT_EQ(static_cast<UINT>(WM_COPYDATA), d.message);
    EXPECT_EQ(0u, d.wParam);
    EXPECT_EQ(static_cast<ULONG_PTR>(COPYDATA_SEND_NOTE), d.copyKind);
    ASSERT_EQ(36u, d.bytes.size());
    std::string expected(36, '\0');
    std::memcpy(&expected[0], "id", 2);
    std::memcpy(&expected[13], "nick", 4);
    expected[32] = 25;
    expected[34] = 'F';
    EXPECT_EQ(expected, d.bytes);
}

TEST_F(GatekinTest, SendChatPacksTheChatRecordAndFillsMissingFieldsWithZeros) {
    Show();
    tray = std::make_unique<TrayStandIn>();
    Set(L"SendChat", L"abcdefghijklmnop/\uD64D\uAE38\uB3D9/M/31/student/Seoul/5/90/hello world/-7");
    Set(L"SendChat", L"who/nick/F");
    ASSERT_EQ(2u, tray->Deliveries().size());
    const TrayDelivery& full = tray->Deliveries()[0];
    EXPECT_EQ(static_cast<ULONG_PTR>(COPYDATA_CHAT_REQUEST), full.copyKind);
    ASSERT_EQ(260u, full.bytes.size());
    const auto r = ReadChatTargetInfo(full.bytes.data(), full.bytes.size());
    ASSERT_TRUE(r);
    EXPECT_EQ("abcdefghijkl", r->MemberId());  // 12 bytes and the terminator
    EXPECT_EQ("\xc8\xab\xb1\xe6\xb5\xbf", r->Nickname());  // 홍길동 in code page 949
    EXPECT_EQ("M", r->Sex());
    EXPECT_EQ(31, r->Age());
    EXPECT_EQ("student", r->Occupation());
    EXPECT_EQ("Seoul", r->Region());
    EXPECT_EQ(5, r->Taste());
    EXPECT_EQ("90", r->Popularity());
    EXPECT_EQ("hello world", r->ChatTopic());
    EXPECT_EQ(-7, r->Points());

    const std::string& few = tray->Deliveries()[1].bytes;
    ASSERT_EQ(260u, few.size());
    std::string expected(260, '\0');
    std::memcpy(&expected[0], "who", 3);
    std::memcpy(&expected[13], "nick", 4);
    expected[32] = 'F';
    EXPECT_EQ(expected, few);
}

TEST_F(GatekinTest, SendAllLabelAndSendAllChatSendTheirMessageOnceWhateverTheText) {
    Show();
    tray = std::make_unique<TrayStandIn>();
    Set(L"SendAllChat", L"");
    EXPECT_EQ(std::vector<UINT>{WM_TRAY_CHAT_ALL}, TrayMessages());
    tray->Clear();
    Set(L"SendAllLabel", L"ignored/text");
    EXPECT_EQ(std::vector<UINT>{WM_TRAY_NOTE_ALL}, TrayMessages());
    EXPECT_EQ(0u, tray->Deliveries()[0].wParam);
    EXPECT_EQ(0, tray->Deliveries()[0].lParam);
}

TEST_F(GatekinTest, WithoutNotewellNothingVisibleHappens) {
    Show();
    for (const wchar_t* name : {L"SendLabel", L"SendChat", L"SendAllLabel", L"SendAllChat"})
        EXPECT_EQ(S_OK, Set(name, L"id/nick/F/25"));
    for (int state : {1, 2, 3, 4, -1}) EXPECT_EQ(S_OK, SetState(state));
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(GatekinTest, ReadsGiveNothingBackAndEverySetMarksTheControlChanged) {
    Show({{L"ID", L"alice"}, {L"PWD", L"pw"}});
    IPersistStreamInit* persist = static_cast<IPersistStreamInit*>(control);
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    for (const wchar_t* name : {L"TextID", L"TextPWD", L"TextSEX", L"SendLabel", L"SendChat", L"SendAllLabel",
                                L"SendAllChat"}) {
        IStream* s = nullptr;
        ::CreateStreamOnHGlobal(nullptr, TRUE, &s);
        persist->Save(s, TRUE);  // clears the mark
        s->Release();
        ASSERT_EQ(S_OK, Set(name, L"x/y"));
        EXPECT_EQ(S_OK, persist->IsDirty()) << static_cast<char>(name[4]);
        VARIANT v;
        ::VariantInit(&v);
        ASSERT_EQ(S_OK, host.GetProperty(name, &v));
        EXPECT_EQ(VT_BSTR, V_VT(&v));
        EXPECT_EQ(0u, ::SysStringLen(V_BSTR(&v)));
        ::VariantClear(&v);
    }
    SetState(7);
    VARIANT v;
    ::VariantInit(&v);
    ASSERT_EQ(S_OK, host.GetProperty(L"LogStateProc", &v));
    EXPECT_EQ(VT_I2, V_VT(&v));
    EXPECT_EQ(0, V_I2(&v));
}

TEST_F(GatekinTest, PersistedStateHoldsTheFiveParamsInOrderAndSurvivesAStream) {
    Show({{L"ID", L"alice"}, {L"PWD", L"pw"}, {L"SEX", L"F"}, {L"SESSIONID", L"S"}, {L"SERVERIP", L"1.2.3.4"}});
    CParamBag* saved = new CParamBag();
    ASSERT_EQ(S_OK, static_cast<IPersistPropertyBag*>(control)->Save(saved, TRUE, TRUE));
    EXPECT_EQ((std::vector<std::wstring>{L"_Version", L"_ExtentX", L"_ExtentY", L"_StockProps", L"ID", L"PWD", L"SEX",
                                         L"SESSIONID", L"SERVERIP"}),
              saved->WriteOrder());
    EXPECT_EQ(L"65536", *saved->Find(L"_Version"));
    EXPECT_EQ(L"1.2.3.4", *saved->Find(L"SERVERIP"));
    saved->Release();

    IStream* s = nullptr;
    ::CreateStreamOnHGlobal(nullptr, TRUE, &s);
    ASSERT_EQ(S_OK, static_cast<IPersistStreamInit*>(control)->Save(s, TRUE));
    LARGE_INTEGER zero{};
    s->Seek(zero, STREAM_SEEK_SET, nullptr);
    CGatekinCtrl* copy = new CGatekinCtrl();
    ASSERT_EQ(S_OK, static_cast<IPersistStreamInit*>(copy)->Load(s));
    s->Release();
    copy->StartTrayClient();
    copy->Release();
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ("Notewell.exe alice/pw/F/S/1.2.3.4", launches[0]);
}

TEST_F(GatekinTest, ResetStateEmptiesEveryPersistedProperty) {
    Show({{L"ID", L"alice"}, {L"SERVERIP", L"1.2.3.4"}});
    ASSERT_EQ(S_OK, static_cast<IPersistStreamInit*>(control)->InitNew());
    startsTray = false;
    SetState(0);
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ("Notewell.exe ////", launches[0]);
}

TEST_F(GatekinTest, DrawsOnlyTheLightGreySquareAtTheContextOrigin) {
    Show();
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 40);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all = {0, 0, 40, 40};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    RECTL bounds = {5, 5, 35, 35};  // whatever the bounds, the square stays at (0,0)
    ASSERT_EQ(S_OK, static_cast<IViewObject2*>(control)->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc,
                                                              &bounds, nullptr, nullptr, 0));
    EXPECT_EQ(RGB(245, 245, 245), ::GetPixel(dc, 0, 0));
    EXPECT_EQ(RGB(245, 245, 245), ::GetPixel(dc, 9, 9));
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 10, 10));
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 20, 5));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST_F(GatekinTest, TheControlAsksForItsSiteFirstAndToBeActiveWhenVisible) {
    DWORD status = 0;
    ASSERT_EQ(S_OK, host.OleObject()->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(0x20191u, status);
    Show();
    EXPECT_TRUE(host.Site()->InPlaceActive());
    EXPECT_TRUE(host.ControlWindow() != nullptr);
}

namespace {

// A "PvxTray" window on a thread of its own, as another program's would be:
// it either takes no message at all for `stallMs` from the start (a hung
// Notewell), or answers WM_TRAY_CLOSE_ASK only after `askMs`, taking its
// messages meanwhile (a Notewell whose member takes time to answer).
class TrayOnThread {
public:
    TrayOnThread(DWORD stallMs, DWORD askMs) {
        m_thread = std::thread([this, stallMs, askMs] { Run(stallMs, askMs); });
        while (!m_window) ::Sleep(10);
    }
    ~TrayOnThread() {
        ::PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_thread.join();
    }
    HWND Window() const { return m_window; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        if (message == WM_TRAY_CLOSE_ASK) {
            const auto askMs = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            const DWORD start = ::GetTickCount();
            while (::GetTickCount() - start < askMs) {  // a box's own message loop
                MSG msg;
                while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
                ::Sleep(20);
            }
            return 0;
        }
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcA(hwnd, message, w, l);
    }
    void Run(DWORD stallMs, DWORD askMs) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "TrayOnThread";
        ::RegisterClassA(&wc);
        HWND window = ::CreateWindowExA(0, wc.lpszClassName, kTrayWindowTitle, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, static_cast<LONG_PTR>(askMs));
        m_window = window;
        ::Sleep(stallMs);
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    }
    std::thread m_thread;
    std::atomic<HWND> m_window{nullptr};
};

DWORD Elapsed(const std::function<void()>& action) {
    const DWORD start = ::GetTickCount();
    action();
    return ::GetTickCount() - start;
}

}  // namespace

// A "PvxTray" that does not answer holds the page no longer than Windows
// takes to call it hung, for the close question as for every other send.
TEST_F(GatekinTest, AHungNotewellHoldsThePageOnlyForAWhile) {
    Show();
    TrayOnThread hung(10000, 0);
    EXPECT_LT(Elapsed([&] { SetState(2); }), 8000u);
    EXPECT_LT(Elapsed([&] { Set(L"SendLabel", L"id/nick/F/25"); }), 8000u);
    EXPECT_LT(Elapsed([&] { SetState(1); }), 8000u);
    EXPECT_TRUE(boxes.empty());
}

// The close question waits for the member's answer, however slow, while
// Notewell keeps taking its messages.
TEST_F(GatekinTest, TheCloseQuestionWaitsForTheMembersAnswer) {
    Show();
    TrayOnThread asking(0, 7000);
    const DWORD took = Elapsed([&] { SetState(2); });
    EXPECT_GE(took, 6500u);
    EXPECT_LT(took, 9500u);  // and no longer than the answer
}

// A Notewell that is slow to get ready for input holds the page for a while
// only; it still starts, and nothing is shown.
TEST_F(GatekinTest, ANotewellSlowToGetReadyHoldsThePageOnlyForAWhile) {
    Show({{L"ID", L"slow"}});
    SetProcessLaunchHandler(nullptr);  // the stand-in Notewell.exe beside this program
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    ::SetEnvironmentVariableA("FAKE_TRAY_STALL_MS", "10000");
    ::SetEnvironmentVariableA("FAKE_TRAY_LIFETIME_MS", "100");
    const DWORD took = Elapsed([&] { SetState(0); });
    ::SetEnvironmentVariableA("FAKE_TRAY_STALL_MS", nullptr);
    ::SetEnvironmentVariableA("FAKE_TRAY_LIFETIME_MS", nullptr);
    EXPECT_LT(took, 8000u);
    EXPECT_TRUE(boxes.empty());
    // It comes up in the end, and goes again by itself.
    EXPECT_TRUE(testing_support::PumpUntil([] { return AnyTrayWindow(); }, 15000));
    EXPECT_TRUE(testing_support::PumpUntil([] { return !AnyTrayWindow(); }, 5000));
}

// An identity longer than a command line can hold fails the login the way a
// failed start does; nothing is started with a cut identity.
TEST_F(GatekinTest, AnIdentityTooLongForACommandLineShowsTheLoginMessage) {
    Show({{L"SESSIONID", L"S"}});
    ASSERT_EQ(S_OK, Set(L"TextID", std::wstring(20000, L'\uAC00')));  // 40,000 bytes in code page 949
    SetState(0);
    EXPECT_TRUE(launches.empty());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("로그인이 정상적으로 이루어지지 않았습니다.로그아웃 하신 후 다시 로그인해주세요.", boxes[0].text);
}

// A PARAM too long for the control to take fails the login the same way: no
// Notewell starts with that field empty.
TEST_F(GatekinTest, AnOverLongParamFailsTheLoginAsAnOverLongPropertyDoes) {
    for (const wchar_t* param : {L"ID", L"PWD"}) {
        SCOPED_TRACE(std::string(param, param + wcslen(param)));
        launches.clear();
        boxes.clear();
        CControlHost paramHost;
        auto* fresh = new CGatekinCtrl();
        ASSERT_EQ(S_OK, paramHost.Attach(static_cast<IOleObject*>(fresh)));
        fresh->Release();
        paramHost.SetParam(L"ID", L"bob");
        paramHost.SetParam(L"PWD", L"pw");
        paramHost.SetParam(param, std::wstring(kMaxPropertyText + 1, L'a'));
        ASSERT_EQ(S_OK, paramHost.Load(page, kPosition));
        ASSERT_EQ(S_OK, paramHost.Activate());
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = 0;
        EXPECT_EQ(S_OK, paramHost.SetProperty(L"LogStateProc", v));
        EXPECT_TRUE(launches.empty()) << launches[0];
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("로그인이 정상적으로 이루어지지 않았습니다.로그아웃 하신 후 다시 로그인해주세요.", boxes[0].text);
        paramHost.Close();
    }
}

// A Notewell still starting holds the session's object and has no window yet:
// the page's login starts no second copy, and once its window is there the
// page's requests reach it.
TEST_F(GatekinTest, ANotewellStillStartingGetsNoSecondCopyAndLaterTheRequests) {
    Show({{L"ID", L"bob"}});
    HANDLE starting = ::CreateMutexW(nullptr, FALSE, kTrayInstanceName);
    ASSERT_TRUE(starting);
    SetState(0);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(boxes.empty());
    tray = std::make_unique<TrayStandIn>();  // its window comes up
    SetState(0);
    EXPECT_TRUE(launches.empty());
    ASSERT_EQ(S_OK, Set(L"SendAllLabel", L"x"));
    EXPECT_EQ(std::vector<UINT>{WM_TRAY_NOTE_ALL}, TrayMessages());
    ::CloseHandle(starting);
}
