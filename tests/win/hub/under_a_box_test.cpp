// A box left open costs nothing and holds back nothing the member decides:
// popups closed under it are released, agreeing to close ends the session at
// once, popups keep their keys, and a popup closed while it is being made
// (its initialisation showed a box) is made, closed and released once.
#include "gdi.h"
#include "hub_fixture.h"
#include "member_profiles.h"
#include "message_box.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/popup_frame.h"
#include "popups/popup_look.h"
#include "popups/send_note_dlg.h"
#include "result_text.h"

namespace hub {
namespace {

void CALLBACK AnswerTheBoxUnderTheKey(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = ::FindWindowW(L"#32770", L"under the key")) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

class UnderABoxTest : public HubTest {
protected:
    void SetUp() override {
        HubTest::SetUp();
        OpenConnected("me/pw/M/sess/127.0.0.1");
    }
    void AskAndWithdraw(const std::string& memberId) {
        Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member(memberId, 'F')));
        Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody(memberId, 'R'));
    }
};

TEST_F(UnderABoxTest, PopupsClosedUnderAnOpenBoxAreReleasedAsTheyClose) {
    AskAndWithdraw("warm");  // the first popup's one-time costs
    Settle();
    const long popupsBefore = CTrayPopup::LiveObjects();
    const long gdiBefore = CGdiObject::LiveCount();
    long mostPopups = 0, gdiAtEnd = 0;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        for (int i = 0; i < 60; ++i) {
            AskAndWithdraw("m" + std::to_string(i));
            Settle(5);
            mostPopups = std::max(mostPopups, CTrayPopup::LiveObjects());
        }
        Settle();
        gdiAtEnd = CGdiObject::LiveCount();
        return IDOK;
    });
    ShowMessageBox(nullptr, "left open", "서버 메시지", MB_OK);
    SetMessageBoxHandler(previous);
    EXPECT_LE(mostPopups, popupsBefore + 2) << "closed popups were kept while the box was up";
    EXPECT_EQ(gdiAtEnd, gdiBefore);
    EXPECT_TRUE(dlg->popups.incomingRequests.empty());
}

TEST_F(UnderABoxTest, AgreeingToCloseWithNoticesQueuedLogsOutAtOnceAndDropsThem) {
    const std::string refusal = ResultText("NO_SUCH_USER");
    size_t refusalsShown = 0;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        if (r.text == refusal) ++refusalsShown;
        if (r.text != "쪽지받기 아이콘을 종료하시겠습니까?") return IDOK;
        for (int i = 0; i < 20; ++i)
            Feed(CMD_NOTE, KIND_ANSWER, devserver::BuildResultForMember('F', "bob", "NO_SUCH_USER"));
        return IDOK;
    });
    Mark();
    ::SendMessageW(window, WM_TRAY_CLOSE_ASK, 0, 0);
    EXPECT_TRUE(Ended()) << "the window outlived the member's answer";
    EXPECT_TRUE(WaitSent(CMD_LOGOUT, 1, 3000));
    Settle();
    dlg->ShowClosingMessages();
    SetMessageBoxHandler(previous);
    EXPECT_EQ(refusalsShown, 0u) << "notices about an ended session were shown after it";
}

// A real box of the system, with its own message loop, is up while the Enter
// key reaches the note's text box.
TEST_F(UnderABoxTest, EnterSendsANoteWhileABoxIsUp) {
    const NoteTargetInfo record = PackNoteTargetInfo("amy/Amy/F/22");
    COPYDATASTRUCT cds{COPYDATA_SEND_NOTE, sizeof record, const_cast<NoteTargetInfo*>(&record)};
    ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    ASSERT_NE(dlg->popups.sendNote, nullptr);
    HWND popup = dlg->popups.sendNote->GetSafeHwnd();
    HWND text = ::GetDlgItem(popup, IDC_NOTE_TEXT);
    ::SetWindowTextW(text, L"안녕");
    Mark();
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        ::PostMessageW(text, WM_KEYDOWN, VK_RETURN, 1);
        // The box answers itself once the key has had its turn.
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 400, &AnswerTheBoxUnderTheKey);
        ::MessageBoxW(nullptr, L"left open", L"under the key", MB_OK);
        ::KillTimer(nullptr, timer);
        return IDOK;
    });
    ShowMessageBox(nullptr, "left open", "서버 메시지", MB_OK);
    SetMessageBoxHandler(previous);
    EXPECT_FALSE(::IsWindow(popup)) << "Enter under the box did not send";
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
}

// The popup's font fails while it is made; under that box the asker withdraws.
// Another member's request, asked before, stays.
TEST_F(UnderABoxTest, WithdrawalWhileTheRequestPopupIsBeingMade) {
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("amy", 'F')));
    ASSERT_EQ(dlg->popups.incomingRequests.size(), 1u);
    HWND amy = dlg->popups.incomingRequests[0].popup->GetSafeHwnd();
    Settle();
    const long popupsBefore = CTrayPopup::LiveObjects();
    bool withdrawn = false;
    PopupFontFactory previousFonts = SetPopupFontFactory([](CFont&, int, int, const char*) { return FALSE; });
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        if (r.text == "CreateFont() Error" && !withdrawn) {
            withdrawn = true;
            Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'R'));
            Settle(50);
        }
        return IDOK;
    });
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("bob", 'F')));
    SetPopupFontFactory(previousFonts);
    SetMessageBoxHandler(previous);
    // Nothing of bob's goes on counting down without a window (a timer of
    // the thread's own, made by an initialisation that went on without one).
    bool strayTick = false;
    for (const DWORD until = ::GetTickCount() + 1500; ::GetTickCount() < until && !strayTick; ::Sleep(10)) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            strayTick |= msg.message == WM_TIMER && !msg.hwnd;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    EXPECT_FALSE(strayTick) << "a countdown runs with no window";
    EXPECT_TRUE(withdrawn);
    ASSERT_EQ(dlg->popups.incomingRequests.size(), 1u) << "the withdrawal took another member's entry";
    EXPECT_EQ(dlg->popups.incomingRequests[0].key, "amy");
    EXPECT_TRUE(::IsWindowVisible(amy));
    EXPECT_EQ(CTrayPopup::LiveObjects(), popupsBefore) << "bob's popup was kept, or freed twice";
    HWND stray = ::FindWindowExW(nullptr, nullptr, nullptr, nullptr);
    for (; stray; stray = ::FindWindowExW(nullptr, stray, nullptr, nullptr)) {
        auto* popup = dynamic_cast<CIncomingChatDlg*>(CWnd::FromHandle(stray));
        EXPECT_TRUE(!popup || popup->MemberId() != "bob") << "bob's popup is still there";
    }
}

}  // namespace
}  // namespace hub
