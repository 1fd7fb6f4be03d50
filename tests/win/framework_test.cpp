// Our framework layer: message tables, dialogs, locks, threads and the message box seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>
#include <thread>

#include "control_wnd.h"
#include "dialog.h"
#include "message_box.h"
#include "sync.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

constexpr UINT WM_BASE_ONLY = WM_APP + 1;
constexpr UINT WM_BOTH = WM_APP + 2;
constexpr UINT WM_END_WITH = WM_APP + 3;

class CBaseDlg : public CDialog {
public:
    CBaseDlg() : CDialog(1) {}
    int baseCalls = 0, bothInBase = 0;

protected:
    LRESULT OnBaseOnly(WPARAM, LPARAM) { ++baseCalls; return 11; }
    LRESULT OnBothBase(WPARAM, LPARAM) { ++bothInBase; return 0; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseDlg, CDialog)
    ON_MESSAGE(WM_BASE_ONLY, &CBaseDlg::OnBaseOnly)
    ON_MESSAGE(WM_BOTH, &CBaseDlg::OnBothBase)
END_MESSAGE_MAP()

class CDerivedDlg : public CBaseDlg {
public:
    int bothInDerived = 0, commands = 0, destroys = 0, inits = 0, timers = 0, filtered = 0;
    bool swallowChars = false;

    void OnTimer(UINT_PTR id) {
        ++timers;
        KillTimer(id);
        EndDialog(42);
    }
    void OnDestroy() { ++destroys; }

protected:
    BOOL OnInitDialog() override {
        ++inits;
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_CHAR && swallowChars) {
            ++filtered;
            return TRUE;
        }
        return FALSE;
    }
    LRESULT OnBothDerived(WPARAM, LPARAM) { ++bothInDerived; return 22; }
    LRESULT OnEndWith(WPARAM w, LPARAM) { EndDialog(static_cast<int>(w)); return 0; }
    void OnApply() { ++commands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedDlg, CBaseDlg)
    ON_MESSAGE(WM_BOTH, &CDerivedDlg::OnBothDerived)
    ON_MESSAGE(WM_END_WITH, &CDerivedDlg::OnEndWith)
    ON_COMMAND(1001, &CDerivedDlg::OnApply)
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

TEST(MessageTable, DerivedEntriesWinAndBaseEntriesStillApply) {
    CDerivedDlg dlg;
    ASSERT_TRUE(dlg.Create(1));
    EXPECT_EQ(dlg.inits, 1);
    EXPECT_EQ(::SendMessageA(dlg.m_hWnd, WM_BOTH, 0, 0), 22);
    EXPECT_EQ(dlg.bothInDerived, 1);
    EXPECT_EQ(dlg.bothInBase, 0);
    EXPECT_EQ(::SendMessageA(dlg.m_hWnd, WM_BASE_ONLY, 0, 0), 11);
    EXPECT_EQ(dlg.baseCalls, 1);
    // Commands are routed by id; other ids are not taken.
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(1002, 0), 0);
    EXPECT_EQ(dlg.commands, 1);
    EXPECT_EQ(CWnd::FromHandle(dlg.m_hWnd), &dlg);
    HWND hwnd = dlg.m_hWnd;
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.destroys, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

// A control we took over is found by its handle until its object goes; a
// window another module of the process marked as its own is found too, and
// is not taken over a second time.
TEST(WindowLookup, FindsOwnAndOtherModulesWindowsAndForgetsAGoneObject) {
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    {
        CControlWnd first;
        ASSERT_TRUE(first.SubclassWindow(edit));
        EXPECT_EQ(&first, CWnd::FromHandle(edit));
        CControlWnd second;
        EXPECT_FALSE(second.SubclassWindow(edit));
        ::SetWindowTextA(edit, "typed");  // passes on to the edit's own procedure
        char text[16] = {};
        ::GetWindowTextA(edit, text, sizeof text);
        EXPECT_STREQ("typed", text);
    }
    EXPECT_EQ(nullptr, CWnd::FromHandle(edit));
    CControlWnd again;
    EXPECT_TRUE(again.SubclassWindow(edit));
    again.UnsubclassWindow();

    CControlWnd foreign;  // stands for an object of another module's copy of the framework
    ASSERT_TRUE(::SetPropA(edit, "CorvalaWnd", &foreign));
    EXPECT_EQ(&foreign, CWnd::FromHandle(edit));
    EXPECT_FALSE(again.SubclassWindow(edit));
    ::RemovePropA(edit, "CorvalaWnd");
    ::DestroyWindow(edit);
    EXPECT_EQ(nullptr, CWnd::FromHandle(edit));
}

TEST(ModalDialog, EndsWithTheGivenResultAfterItsOwnLoop) {
    CDerivedDlg dlg;
    // A timer message handled inside the modal loop ends the dialog with 42.
    std::thread ender([&] {
        for (int i = 0; i < 200 && !dlg.m_hWnd; ++i) ::Sleep(10);
        ::SendMessageA(dlg.m_hWnd, WM_TIMER, 7, 0);
    });
    const INT_PTR result = dlg.DoModal();
    ender.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(dlg.timers, 1);
    EXPECT_EQ(dlg.destroys, 1);
    EXPECT_FALSE(dlg.IsModal());
}

TEST(ModalDialog, CancelButtonEndsWithIdCancelAndFilterSeesChildMessages) {
    CDerivedDlg dlg;
    dlg.swallowChars = true;
    std::thread driver([&] {
        for (int i = 0; i < 200 && !dlg.m_hWnd; ++i) ::Sleep(10);
        HWND edit = ::GetDlgItem(dlg.m_hWnd, 1001);
        ::PostMessageA(edit, WM_CHAR, 'a', 0);  // filtered on its way to the edit box
        ::Sleep(100);
        ::PostMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    driver.join();
    EXPECT_EQ(dlg.filtered, 1);
}

TEST(ModalDialog, MissingTemplateFailsWithMinusOne) {
    CDialog dlg(9999);
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(CriticalSection, IsRecursiveForItsOwnerAndExclusiveForOthers) {
    CCriticalSection cs;
    std::atomic<bool> otherHasIt{false};
    cs.Lock();
    cs.Lock();  // the owner may take it again
    std::thread other([&] {
        CSingleLock lock(cs);
        otherHasIt = true;
    });
    ::Sleep(100);
    EXPECT_FALSE(otherHasIt);
    cs.Unlock();
    ::Sleep(100);
    EXPECT_FALSE(otherHasIt);  // still held once
    cs.Unlock();
    other.join();
    EXPECT_TRUE(otherHasIt);
}

TEST(Threads, BeginThreadRunsTheFunctionAndCanBeJoined) {
    static std::atomic<int> ran{0};
    CWinThread* t = AfxBeginThread([](LPVOID p) -> UINT {
        ran = *static_cast<int*>(p);
        return 0;
    }, new int(5));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Join(5000));
    EXPECT_EQ(ran.load(), 5);
    delete t;
}

TEST(MessageBoxSeam, HandlerSeesBoxesFromAnyThreadAndAnswers) {
    MessageBoxRecorder boxes;
    boxes.answer = IDCANCEL;
    int answer = 0;
    std::thread t([&] { answer = ShowMessageBox(nullptr, "본문", "제목", MB_OKCANCEL | MB_TOPMOST); });
    t.join();
    EXPECT_EQ(answer, IDCANCEL);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "본문");
    EXPECT_EQ(boxes.Boxes()[0].caption, "제목");
    EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_OKCANCEL | MB_TOPMOST));
}

// A notice asked for while a box is up (by whatever its message loop
// dispatched) waits and is shown after it, each time it was asked for; the
// caller goes on at once.
// The message asked for "when the boxes are closed" comes after all of them.
TEST(MessageBoxSeam, NoticesAskedUnderABoxWaitTheirTurnAndNeverNest) {
    std::vector<std::string> shown;
    int depth = 0, deepest = 0;
    HWND window = ::CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const UINT kDone = WM_APP + 77;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        deepest = std::max(deepest, ++depth);
        shown.push_back(r.text);
        if (r.text == "first") {
            EXPECT_TRUE(MessageBoxOpen());
            PostWhenMessageBoxesClosed(window, kDone);
            EXPECT_EQ(ShowMessageBox(nullptr, "second", "c", MB_OK), IDOK);
            ShowMessageBox(nullptr, "second", "c", MB_OK);  // the same again: counted, shown again
            ShowMessageBox(nullptr, "third", "c", MB_OK | MB_ICONSTOP);
            EXPECT_EQ(WaitingMessageBoxes(), 3u);
            MSG msg;
            EXPECT_FALSE(::PeekMessageA(&msg, window, kDone, kDone, PM_NOREMOVE));
        }
        --depth;
        return IDOK;
    });
    EXPECT_FALSE(MessageBoxOpen());
    ShowMessageBox(nullptr, "first", "c", MB_OK);
    SetMessageBoxHandler(previous);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "second", "third"}));
    EXPECT_EQ(WaitingMessageBoxes(), 0u);
    MSG msg;
    EXPECT_TRUE(::PeekMessageA(&msg, window, kDone, kDone, PM_REMOVE));
    ::DestroyWindow(window);
}

// Dismissing the open boxes (a window that ends) loses none of the notices
// behind them: they wait until asked for, or come before the next box.
TEST(MessageBoxSeam, DismissedBoxesKeepTheNoticesBehindThemForLater) {
    std::vector<std::string> shown;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        if (r.text == "open") {
            ShowMessageBox(nullptr, "behind", "c", MB_OK);
            DismissOpenMessageBoxes();
        }
        return IDOK;
    });
    ShowMessageBox(nullptr, "open", "c", MB_OK);
    const std::vector<std::string> afterDismissal = shown;
    ShowMessageBox(nullptr, "next", "c", MB_OKCANCEL);
    SetMessageBoxHandler(previous);
    EXPECT_EQ(afterDismissal, (std::vector<std::string>{"open"}));
    EXPECT_EQ(shown, (std::vector<std::string>{"open", "behind", "next"}));
    EXPECT_EQ(WaitingMessageBoxes(), 0u);
}

// A flood under one box cannot grow the waiting line without bound.
TEST(MessageBoxSeam, WaitingNoticesAreBounded) {
    size_t shown = 0;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        ++shown;
        if (r.text == "open")
            for (int i = 0; i < 1000; ++i) ShowMessageBox(nullptr, std::to_string(i).c_str(), "c", MB_OK);
        return IDOK;
    });
    ShowMessageBox(nullptr, "open", "c", MB_OK);
    SetMessageBoxHandler(previous);
    EXPECT_EQ(shown, 1 + kMaxWaitingBoxes);
}

}  // namespace
