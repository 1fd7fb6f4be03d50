// What the main window does with each server packet: popups opened and
// closed, answers sent back, texts shown, and bodies too short to read dropped.
#include <algorithm>
#include <cstring>

#include "bodies.h"
#include "hub_fixture.h"
#include "member_profiles.h"
#include "popups/chat_notice_dlg.h"
#include "popups/group_chat_dlg.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/points_short_dlg.h"
#include "popups/read_note_dlg.h"
#include "message_box.h"
#include "result_text.h"

namespace hub {
namespace {

const std::string kNotConnected = "서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요.";
const char kRefusedText[] = "상대방이 1:1 채팅 신청을 거절하셨습니다.";
const char kCancelledText[] = "1:1 채팅 신청이 취소되었습니다.";
const char kCannotRequestText[] = "대화신청을 할 수 없습니다. 잠시 후 다시 이용해 주세요.";

class DispatchTest : public HubTest {
protected:
    // The own 1:1 request to a member, as far as its waiting popup.
    HWND OpenOutgoing(const std::string& id, char sex) {
        dlg->webcamPresent = true;  // the own member is a woman
        ChatTargetFields f;
        f.memberId = id;
        f.nickname = id;
        f.sex = std::string(1, sex);
        f.age = 30;
        const ChatTargetInfo record = MakeChatTargetInfo(f);
        COPYDATASTRUCT cds{COPYDATA_CHAT_REQUEST, sizeof record, const_cast<ChatTargetInfo*>(&record)};
        ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', id, ""));
        return dlg->popups.outgoingChat ? dlg->popups.outgoingChat->GetSafeHwnd() : nullptr;
    }
    HWND OpenIncoming(const MemberProfile& asker) {
        Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(asker));
        const auto& list = dlg->popups.incomingRequests;
        return list.empty() || !list.back().popup ? nullptr : list.back().popup->GetSafeHwnd();
    }
    size_t Withdrawals() const {
        size_t n = 0;
        for (const RecordedPacket& p : Sent(CMD_CHAT_CONTROL)) n += ParseControl(p).code == 'C';
        return n;
    }
};

TEST_F(DispatchTest, ReceivedNoteOpensReadNotePopupWithConvertedTexts) {
    OpenConnected();
    MemberProfile bob = Member("bob", 'M', "R&B");
    bob.age = 25;
    Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(bob, u8"안녕하세요"));
    ASSERT_EQ(dlg->readNotes.size(), 1u);
    EXPECT_EQ(dlg->openNoteCount, 1);
    HWND note = dlg->readNotes[0]->GetSafeHwnd();
    EXPECT_EQ(dlg->readNotes[0]->GetTemplateId(), 131u);
    EXPECT_TRUE(::IsWindowVisible(note));
    EXPECT_EQ(ItemText(note, IDC_NOTE_BOX), "안녕하세요");  // UTF-16 in the window, UTF-8 here
    EXPECT_EQ(ItemText(note, IDC_SENDER), "R&&B(25/남)");   // the static shows R&B(25/남)
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].fileName, "MsgMusic.wav");
}

TEST_F(DispatchTest, NotesThatCannotBeReadWhollyAreDroppedAndEmptyOnesOpen) {
    OpenConnected();
    Bytes body = devserver::BuildReceivedNote(Member("bob", 'M'), "hello");
    body[113] = 0;
    body[114] = 6;  // one byte more than the body holds
    Feed(CMD_NOTE, KIND_SERVER, body);
    Feed(CMD_NOTE, KIND_SERVER, Bytes(114, 'x'));  // shorter than the sender's record
    EXPECT_TRUE(dlg->readNotes.empty());
    EXPECT_EQ(dlg->openNoteCount, 0);

    Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), ""));
    ASSERT_EQ(dlg->readNotes.size(), 1u);
    EXPECT_EQ(ItemText(dlg->readNotes[0]->GetSafeHwnd(), IDC_NOTE_BOX), "");
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(DispatchTest, SocketEventsFromOutsideWithMadeUpCopiesAreNotRead) {
    OpenConnected();
    // Another process can post the message number with any lParam: a pointer
    // that was never one of our copies is neither read nor freed.
    uint8_t fake[6 + 115 + 4] = {};
    fake[0] = 119;  // host-order body length as the reader would write it
    const auto made = reinterpret_cast<LPARAM>(fake);
    ::SendMessageA(window, WM_SOCKET_EVENT, EV_NOTE, made);
    ::SendMessageA(window, WM_SOCKET_EVENT, EV_CHAT_DECISION, 0x1234);
    EXPECT_TRUE(dlg->readNotes.empty());
    EXPECT_EQ(boxes.Count(), 0u);
    // Real copies still arrive.
    Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), "hi"));
    EXPECT_EQ(dlg->readNotes.size(), 1u);
}

TEST_F(DispatchTest, AnswersWithErrorOrFailureShowMessage11OrTheResultText) {
    OpenConnected();
    Feed(CMD_NOTE, KIND_ANSWER, devserver::BuildResultForMember('E', "bob", ""));
    EXPECT_EQ(BoxCount("11" + kNotConnected), 1u);
    Feed(CMD_NOTE, KIND_ANSWER, devserver::BuildResultForMember('F', "bob", "SHORT_CASH"));
    EXPECT_EQ(BoxCount(ResultText("SHORT_CASH")), 1u);
    Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('F', 'A', "bob", "ALREADYCHATTING"));
    EXPECT_EQ(BoxCount(ResultText("ALREADYCHATTING")), 1u);
    Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('E', 'A', "bob", ""));
    EXPECT_EQ(BoxCount("11" + kNotConnected), 2u);
    Feed(CMD_NOTE, KIND_ANSWER, devserver::BuildResultForMember('S', "bob", ""));
    Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('S', 'A', "bob", ""));
    EXPECT_EQ(boxes.Count(), 4u);
    const auto all = boxes.Boxes();
    EXPECT_EQ(all[1].caption, "서버 메시지");
    EXPECT_EQ(all[1].type, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_TOPMOST));
}

TEST_F(DispatchTest, IncomingRequestsChooseTheirTemplateBySexAndPlayTheRequestSound) {
    OpenConnected();
    HWND fromWoman = OpenIncoming(Member("mina", 'F'));
    HWND fromMan = OpenIncoming(Member("tom", 'M'));
    ASSERT_NE(fromWoman, nullptr);
    ASSERT_NE(fromMan, nullptr);
    const auto& list = dlg->popups.incomingRequests;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].key, "mina");
    EXPECT_EQ(list[0].popup->GetTemplateId(), 133u);
    EXPECT_EQ(list[1].key, "tom");
    EXPECT_EQ(list[1].popup->GetTemplateId(), 160u);
    // The incoming cascade starts 16 pixels in from its origin.
    EXPECT_EQ(Place(fromWoman).x, 16);
    EXPECT_EQ(Place(fromMan).x, 32);
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_EQ(sounds[1].fileName, "RqChat.wav");
}

TEST_F(DispatchTest, PointsShortRequestsGetNoticesKeyedByARunningSerial) {
    OpenConnected();
    Feed(CMD_CHAT_REQUEST_2004, KIND_SERVER, IncomingRequestBody(Member("bob", 'M'), 'N'));
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("bob", 'M'), 'P'));
    const auto& list = dlg->popups.pointsShort;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].key, "bob00000000");
    EXPECT_EQ(list[1].key, "bob00000001");
    EXPECT_EQ(list[0].popup, nullptr);
    ASSERT_NE(list[0].second, nullptr);
    EXPECT_EQ(list[0].second->GetTemplateId(), 154u);
    EXPECT_EQ(static_cast<CPointsShortDlg*>(list[1].second)->ListKey(), "bob00000001");
    EXPECT_TRUE(dlg->popups.incomingRequests.empty());
}

TEST_F(DispatchTest, ChatCheckConsentOpensTheWaitingPopupAndSendsTheRequest) {
    OpenConnected();
    dlg->chatRequestWithdrawn = true;
    dlg->chatRequestExpired = true;
    HWND popup = OpenOutgoing("mina", 'F');
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(dlg->popups.outgoingChat->GetTemplateId(), 132u);
    EXPECT_FALSE(dlg->chatRequestWithdrawn);
    EXPECT_FALSE(dlg->chatRequestExpired);
    EXPECT_EQ(dlg->pendingTargetId, "mina");
    ASSERT_TRUE(WaitSent(CMD_CHAT_CHECK, 1));
    ASSERT_TRUE(WaitSent(CMD_CHAT_REQUEST, 1));
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_CHECK)[0]), "mina");
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_REQUEST)[0]), "mina");
    EXPECT_EQ(Place(popup).x, 16);
    EXPECT_EQ(Place(popup).y, 16);

    // A second consent while it waits only brings it forward.
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "mina", ""));
    Settle();
    EXPECT_EQ(Sent(CMD_CHAT_REQUEST).size(), 1u);
    EXPECT_EQ(dlg->popups.outgoingChat->GetSafeHwnd(), popup);
}

TEST_F(DispatchTest, ChatCheckForAManUsesTheMaleTemplate) {
    OpenConnected();
    ASSERT_NE(OpenOutgoing("tom", 'M'), nullptr);
    EXPECT_EQ(dlg->popups.outgoingChat->GetTemplateId(), 159u);
}

TEST_F(DispatchTest, ChatCheckConsentWhileAGroupRequestWaitsOpensNothing) {
    OpenConnected();
    dlg->webcamPresent = true;
    ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "ALL", ""));
    ASSERT_NE(dlg->popups.groupChat, nullptr);
    EXPECT_EQ(dlg->popups.groupChat->GetTemplateId(), 143u);
    ASSERT_TRUE(WaitSent(CMD_CHAT_REQUEST, 1));
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_REQUEST)[0]), "ALL");

    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "ALL", ""));
    Settle();
    EXPECT_EQ(Sent(CMD_CHAT_REQUEST).size(), 1u);
    EXPECT_EQ(dlg->popups.outgoingChat, nullptr);
}

TEST_F(DispatchTest, ChatCheckRefusalShowsTheResultTextAndOpensNothing) {
    OpenConnected();
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('F', "bob", "NO_SUCH_USER"));
    EXPECT_EQ(BoxCount(ResultText("NO_SUCH_USER")), 1u);
    EXPECT_EQ(dlg->popups.outgoingChat, nullptr);
    Settle();
    EXPECT_TRUE(Sent(CMD_CHAT_REQUEST).empty());
}

TEST_F(DispatchTest, AcceptedRequestIsConfirmedUnlessWithdrawn) {
    OpenConnected();
    OpenOutgoing("mina", 'F');
    Mark();
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('S', 'A', "mina", "", 'N'));
    ASSERT_TRUE(WaitSent(CMD_CHAT_CONTROL, 1));
    EXPECT_EQ(ParseControl(Sent(CMD_CHAT_CONTROL)[0]).code, 'A');
    EXPECT_EQ(ParseControl(Sent(CMD_CHAT_CONTROL)[0]).id, "mina");

    dlg->chatRequestWithdrawn = true;
    Feed(CMD_CHAT_REQUEST_2004, KIND_ANSWER, devserver::BuildChatAnswerEvent('S', 'A', "mina", "", 'N'));
    Settle();
    EXPECT_EQ(Sent(CMD_CHAT_CONTROL).size(), 1u);
}

TEST_F(DispatchTest, RefusalIsAcknowledgedClosesTheWaitingPopupAndTellsWhy) {
    OpenConnected();
    HWND popup = OpenOutgoing("mina", 'F');
    Mark();
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('S', 'R', "mina", "", 'N'));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(dlg->popups.outgoingChat, nullptr);
    EXPECT_TRUE(dlg->pendingTargetId.empty());
    EXPECT_EQ(BoxCount(kRefusedText), 1u);
    EXPECT_EQ(boxes.Boxes().back().caption, "채팅 상태 알림");
    EXPECT_EQ(boxes.Boxes().back().type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_TOPMOST));
    // The acknowledgement, then the popup's own withdrawal as it vanishes.
    ASSERT_TRUE(WaitSent(CMD_CHAT_CONTROL, 2));
    EXPECT_EQ(ParseControl(Sent(CMD_CHAT_CONTROL)[0]).code, 'R');
    EXPECT_EQ(ParseControl(Sent(CMD_CHAT_CONTROL)[1]).code, 'C');

    OpenOutgoing("mina", 'F');
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('S', 'R', "mina", "", 'Y'));
    EXPECT_EQ(BoxCount(kCancelledText), 1u);
}

TEST_F(DispatchTest, FailedOrBrokenRequestClosesTheWaitingPopups) {
    OpenConnected();
    HWND popup = OpenOutgoing("mina", 'F');
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('F', 0, "mina", "ALREADYCHATTING", 'N'));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(BoxCount(ResultText("ALREADYCHATTING")), 1u);

    popup = OpenOutgoing("mina", 'F');
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('E', 0, "mina", "", 'N'));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(BoxCount("11" + kNotConnected), 1u);

    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('S', 'U', "mina", "", 'N'));
    EXPECT_EQ(BoxCount(kCannotRequestText), 1u);
}

// While the own popup's countdown has already run out, the main window leaves it alone.
TEST_F(DispatchTest, ExpiredRequestIsNotClosedAgain) {
    OpenConnected();
    HWND popup = OpenOutgoing("mina", 'F');
    dlg->chatRequestExpired = true;
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('F', 0, "mina", "CANCELED", 'N'));
    EXPECT_TRUE(::IsWindow(popup));
}

TEST_F(DispatchTest, AgreedChatRefusesEveryOpenRequestBeforeTheChatProgramStarts) {
    OpenConnected("me/pw/F/sess/127.0.0.1");
    dlg->webcamPresent = true;
    HWND a = OpenIncoming(Member("ann", 'F'));
    HWND b = OpenIncoming(Member("ben", 'M'));
    HWND c = OpenIncoming(Member("cat", 'F'));
    Mark();
    size_t answersAtLaunch = 0;
    onLaunch = [&](const std::string&) {
        // Sent before the start means already on its way to the server.
        const DWORD start = ::GetTickCount();
        while (Sent(CMD_CHAT_ANSWER).size() < 3 && ::GetTickCount() - start < 3000) ::Sleep(10);
        answersAtLaunch = Sent(CMD_CHAT_ANSWER).size();
    };
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("ben", 'A', "10.1.2.3"));
    EXPECT_EQ(answersAtLaunch, 3u);
    const auto answers = Sent(CMD_CHAT_ANSWER);
    ASSERT_EQ(answers.size(), 3u);
    const char* ids[] = {"ann", "ben", "cat"};
    for (size_t i = 0; i < 3; ++i) {
        const devserver::AnswerBody body = ParseAnswer(answers[i]);
        EXPECT_EQ(body.code, 'R');
        EXPECT_EQ(body.flag, 'N');
        EXPECT_EQ(body.askerId, ids[i]);
    }
    EXPECT_FALSE(::IsWindow(a) || ::IsWindow(b) || ::IsWindow(c));
    EXPECT_TRUE(dlg->popups.incomingRequests.empty());
    EXPECT_EQ(dlg->chatPopupOrigin.x, 0);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0],
              "PVChat.exe \"me\" \"pw\" \"10.1.2.3\" \"10.1.2.3\" \"0123456789abcdef0123456789ABCDEF\" \"T\" \"P\" \"F\"");
}

TEST_F(DispatchTest, AgreedChatWithoutAChatServerShowsMessage8Instead) {
    OpenConnected();
    OpenIncoming(Member("ann", 'F'));
    Mark();
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("ann", 'A', "0.0.0.0"));
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(BoxCount("8" + kNotConnected), 1u);
    ASSERT_TRUE(WaitSent(CMD_CHAT_ANSWER, 1));
    EXPECT_EQ(ParseAnswer(Sent(CMD_CHAT_ANSWER)[0]).code, 'R');
}

TEST_F(DispatchTest, AgreedOwnChatClosesTheWaitingPopupWithoutWithdrawal) {
    OpenConnected();
    HWND popup = OpenOutgoing("mina", 'F');
    Mark();
    Feed(CMD_CHAT_CONTROL, KIND_ANSWER, DecisionBody("mina", 'A'));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(launches.size(), 1u);
    Settle(300);
    EXPECT_EQ(Withdrawals(), 0u);
}

TEST_F(DispatchTest, CancelledOwnRequestClosesWithoutWithdrawal) {
    OpenConnected();
    dlg->webcamPresent = true;
    ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "ALL", ""));
    HWND group = dlg->popups.groupChat->GetSafeHwnd();
    Mark();
    Feed(CMD_CHAT_CONTROL, KIND_ANSWER, DecisionBody("ALL", 'C', "0.0.0.0", "CANCELED"));
    EXPECT_FALSE(::IsWindow(group));
    EXPECT_EQ(dlg->popups.groupChat, nullptr);
    Settle(300);
    EXPECT_EQ(Withdrawals(), 0u);
    EXPECT_TRUE(launches.empty());
}

TEST_F(DispatchTest, WithdrawnRequestRemovesOnlyTheFirstEntryOfThatMember) {
    OpenConnected();
    HWND first = OpenIncoming(Member("bob", 'M'));
    HWND second = OpenIncoming(Member("bob", 'M'));
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'R'));
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_TRUE(::IsWindow(second));
    ASSERT_EQ(dlg->popups.incomingRequests.size(), 1u);
    EXPECT_EQ(dlg->chatPopupOrigin.x, 32);  // still one open: the cascade goes on

    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'R'));
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_TRUE(dlg->popups.incomingRequests.empty());
    EXPECT_EQ(dlg->chatPopupOrigin.x, 0);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(DispatchTest, AnotherMembersEndedRequestIsRemovedAndNoticed) {
    OpenConnected();
    HWND popup = OpenIncoming(Member("bob", 'M'));
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'C', "0.0.0.0", "CANCELED"));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_TRUE(dlg->popups.incomingRequests.empty());
    ASSERT_EQ(dlg->popups.notices.size(), 1u);
    EXPECT_EQ(dlg->openNoticeCount, 1);
    auto* notice = static_cast<CChatNoticeDlg*>(dlg->popups.notices[0].popup);
    EXPECT_EQ(notice->GetTemplateId(), 153u);
    EXPECT_EQ(ItemText(notice->GetSafeHwnd(), IDC_NOTICE_TEXT), ResultText("CANCELED"));
}

TEST_F(DispatchTest, BodiesShorterThanTheirLayoutAreDropped) {
    OpenConnected();
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, Bytes(113, 'a'));
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, Bytes(31, 'S'));
    Feed(CMD_CHAT_ANSWER, KIND_ANSWER, Bytes(30, 'F'));
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, Bytes(77, 'A'));
    Feed(CMD_NOTE, KIND_ANSWER, Bytes(29, 'F'));
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, Bytes(29, 'F'));
    Feed(CMD_SESSION_END, KIND_SERVER, Bytes());
    Feed(CMD_LOGIN, KIND_ANSWER, Bytes());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_TRUE(dlg->popups.incomingRequests.empty() && dlg->popups.pointsShort.empty());
    EXPECT_TRUE(dlg->popups.notices.empty());
    EXPECT_TRUE(launches.empty());
    EXPECT_FALSE(Ended());
}

TEST_F(DispatchTest, LoggedInElsewhereIsToldOnceAndEndsTheSession) {
    OpenConnected();
    Feed(CMD_SESSION_END, KIND_SERVER, {'O'});
    EXPECT_TRUE(Ended());
    EXPECT_EQ(BoxCount("다른 곳에서 로그인하여 접속이 끊어집니다."), 1u);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_TOPMOST));
    ASSERT_TRUE(WaitSent(CMD_LOGOUT, 1));
    Settle();
    EXPECT_EQ(Sent(CMD_LOGOUT).size(), 1u);
    EXPECT_TRUE(navigations.empty());
}

TEST_F(DispatchTest, InstallationNeededOpensTheInstallationPage) {
    OpenConnected();
    Feed(CMD_SESSION_END, KIND_SERVER, {'V'});
    EXPECT_TRUE(Ended());
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_EQ(navigations.size(), 1u);
    const BrowserNavigation& page = navigations[0];
    EXPECT_EQ(page.url, std::string("http://") + CORVALA_WEB_HOST + "/HTML/inst.htm");
    EXPECT_FALSE(page.hasPostData);
    ASSERT_EQ(page.settings.size(), 9u);
    EXPECT_EQ(page.settings[7], std::make_pair(BrowserSetting::Height, 580L));
    EXPECT_EQ(page.settings[8], std::make_pair(BrowserSetting::Width, 693L));
}

TEST_F(DispatchTest, LoggedOutHasItsOwnText) {
    OpenConnected();
    Feed(CMD_SESSION_END, KIND_SERVER, {'A'});
    EXPECT_EQ(BoxCount("로그아웃 되었습니다."), 1u);
    EXPECT_TRUE(Ended());
}

TEST_F(DispatchTest, WebcamRequiredHasItsOwnThreeLineText) {
    OpenConnected();
    Feed(CMD_SESSION_END, KIND_SERVER, {'C'});
    EXPECT_EQ(BoxCount("Corvala은 웹캠이 있어야 이용하실 수 있습니다.\r\n웹캠을 설치하시거나, 연결 상태를 점검하신 후\r\n"
                       "다시 접속해 주세요."),
              1u);
    EXPECT_EQ(BoxCount("로그아웃 되었습니다."), 0u);
    EXPECT_TRUE(Ended());
}

// A box holds back only other boxes: packets that arrive while one is up are
// handled at once (popups open), and the boxes they ask for wait their turn,
// one at a time, in order.
TEST_F(DispatchTest, PacketsArrivingUnderABoxAreHandledAtOnceAndTheirBoxesWaitInOrder) {
    OpenConnected();
    std::vector<std::string> shown;
    int depth = 0, deepest = 0;
    bool fed = false;
    size_t notesUnderBox = 0;
    HWND requestUnderBox = nullptr;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        deepest = std::max(deepest, ++depth);
        shown.push_back(r.text);
        if (!fed) {
            fed = true;
            Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('F', 'R', "bob", "SENDING_FAIL"));
            Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), "hi"));
            requestUnderBox = OpenIncoming(Member("amy", 'F'));
            Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('E', 'R', "bob", ""));
            Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('E', 'R', "bob", ""));
            notesUnderBox = dlg->readNotes.size();
        }
        --depth;
        return IDOK;
    });
    Feed(CMD_CHAT_ANSWER, KIND_ANSWER, devserver::BuildAnswerResult('F', 'R', "bob", "NO_SUCH_USER"));
    Settle();
    SetMessageBoxHandler(previous);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(notesUnderBox, 1u);
    ASSERT_NE(requestUnderBox, nullptr) << "another member's request waited for the box";
    EXPECT_TRUE(::IsWindowVisible(requestUnderBox));
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], ResultText("NO_SUCH_USER"));
    EXPECT_EQ(shown[1], ResultText("SENDING_FAIL"));
    EXPECT_EQ(shown[2].rfind("11", 0), 0u);
    EXPECT_EQ(shown[3], shown[2]) << "each answer has its box, the same text too";
}

// What the server decides while a box is up applies at once: a withdrawn
// request is gone before the member could accept it, the chat check's answer
// opens the request to the member it was for, and nothing answers the
// withdrawn request afterwards.
TEST_F(DispatchTest, DecisionsUnderABoxApplyAtOnceAndNothingAnswersAWithdrawnRequest) {
    OpenConnected();
    dlg->webcamPresent = true;
    HWND request = OpenIncoming(Member("bob", 'M'));
    ASSERT_NE(request, nullptr);
    ChatTargetFields f;
    f.memberId = "amy";
    f.sex = "F";
    const ChatTargetInfo amy = MakeChatTargetInfo(f);
    COPYDATASTRUCT cds{COPYDATA_CHAT_REQUEST, sizeof amy, const_cast<ChatTargetInfo*>(&amy)};
    ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    Mark();
    bool requestGoneUnderBox = false;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        if (r.text == ResultText("NO_SUCH_USER")) {
            Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'R'));
            requestGoneUnderBox = !::IsWindow(request) && dlg->popups.incomingRequests.empty();
            if (::IsWindow(request)) Click(request, IDC_ACCEPT);  // the member, still seeing it
            Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "amy", ""));
            f.memberId = "cat";
            const ChatTargetInfo cat = MakeChatTargetInfo(f);
            COPYDATASTRUCT later{COPYDATA_CHAT_REQUEST, sizeof cat, const_cast<ChatTargetInfo*>(&cat)};
            ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&later));
        }
        return IDOK;
    });
    Feed(CMD_NOTE, KIND_ANSWER, devserver::BuildResultForMember('F', "zed", "NO_SUCH_USER"));
    Settle();
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(requestGoneUnderBox);
    ASSERT_TRUE(WaitSent(CMD_CHAT_REQUEST, 1));
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_REQUEST)[0]), "amy");
    Settle(300);
    EXPECT_TRUE(Sent(CMD_CHAT_ANSWER).empty()) << "an answer to a request already withdrawn";
}

// The session's end message stays up until the member answers it: a close or
// a close question arriving meanwhile changes nothing.
TEST_F(DispatchTest, CloseRequestsWhileTheSessionEndMessageIsUpChangeNothing) {
    OpenConnected();
    std::vector<std::string> shown;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        if (r.text == "로그아웃 되었습니다.") {
            ::SendMessageA(window, WM_TRAY_CLOSE_ASK, 0, 0);
            ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
            Settle();
        }
        return IDOK;
    });
    Feed(CMD_SESSION_END, KIND_SERVER, {'A'});
    Settle();
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(Ended());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "로그아웃 되었습니다.");
}

// A decision whose address or key would break the chat program's command
// line starts nothing, ends no running chat program, and says why.
TEST_F(DispatchTest, AgreedChatWithAnUnusableAddressOrKeyStartsNothing) {
    OpenConnected();
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, devserver::BuildChatDecision("bob", 'A', std::string(32, 'k'), "1.2.3.4\" \"-x", ""));
    Feed(CMD_CHAT_CONTROL, KIND_SERVER,
         devserver::BuildChatDecision("bob", 'A', "k\" \"-evil", "10.1.2.3", ""));
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(BoxCount("채팅 서버 정보가 올바르지 않아 채팅프로그램을 실행할 수 없습니다."), 2u);
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, devserver::BuildChatDecision("bob", 'A', std::string(32, 'k'), "10.1.2.3", ""));
    EXPECT_EQ(launches.size(), 1u);
}

// Under a box the keep-alive answer is taken at once and the session's end
// applies at once: what arrives after it opens nothing and answers nothing,
// the notice that waited is moot and dropped, and the reason is said last.
TEST_F(DispatchTest, UnderABoxTheSessionEndAppliesAtOnceAndNothingIsHandledAfterIt) {
    OpenConnected();
    Mark();
    std::vector<std::string> shown;
    bool ackedUnderBox = false, endedUnderBox = false;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        if (shown.size() == 1) {
            Feed(CMD_KEEPALIVE, KIND_ANSWER, {});
            ackedUnderBox = dlg->keepAlive.timeAcked;
            Feed(CMD_NOTE, KIND_ANSWER, devserver::BuildResultForMember('F', "zed", "SENDING_FAIL"));
            Feed(CMD_SESSION_END, KIND_SERVER, {'O'});
            endedUnderBox = Ended();  // this window is modeless: its end destroys it at once
            OpenIncoming(Member("bob", 'M'));
            Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), "hi"));
        }
        return IDOK;
    });
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('F', "bob", "NO_SUCH_USER"));
    Settle();
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(ackedUnderBox);
    EXPECT_TRUE(endedUnderBox) << "the session's end waited for the box";
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(dlg->readNotes.empty());
    EXPECT_TRUE(WaitSent(CMD_LOGOUT, 1));
    EXPECT_TRUE(Sent(CMD_CHAT_ANSWER).empty()) << "a request that came after the end was refused";
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "다른 곳에서 로그인하여 접속이 끊어집니다.");
}

// The keep-alive keeps its own schedule under a box: a silent server is dead
// at the cycle's check, the link is closed at once, and the word on it waits
// for the open box.
TEST_F(DispatchTest, ASilentLinkIsDeclaredDeadUnderABox) {
    OpenConnected();
    Mark();
    std::vector<std::string> shown;
    bool closedUnderBox = false;
    size_t notesUnderBox = 0;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        if (r.text == ResultText("NO_SUCH_USER")) {
            Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), "hi"));
            notesUnderBox = dlg->readNotes.size();
            for (int i = 0; i < 4; ++i) ::SendMessageA(window, WM_TIMER, CTrayMainDlg::KEEPALIVE_TIMER, 0);
            closedUnderBox = !dlg->isConnected && !dlg->connection.IsConnected();
        }
        return IDOK;
    });
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('F', "bob", "NO_SUCH_USER"));
    Settle();
    SetMessageBoxHandler(previous);
    EXPECT_EQ(notesUnderBox, 1u);
    EXPECT_TRUE(closedUnderBox);
    EXPECT_EQ(Sent(CMD_KEEPALIVE).size(), 3u);
    EXPECT_TRUE(Ended());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.");
}

// A stream that breaks is told by the main window, after the boxes before it,
// never by a box of the reader's that the window's end would wait for.
TEST_F(DispatchTest, ABrokenStreamIsToldOnTheWindowsThreadAndEndsTheSession) {
    OpenConnected();
    Settle();
    std::vector<DWORD> threads;
    std::vector<std::string> shown;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        threads.push_back(::GetCurrentThreadId());
        shown.push_back(r.text);
        return IDOK;
    });
    ASSERT_TRUE(server->SendRaw("me", Bytes{0x7F, 0xFF, 0x07, 0xD7, 0x00, 0x04}));  // a body past any buffer
    testing_support::PumpUntil([&] { return Ended(); }, 5000);
    Settle();
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(Ended());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "서버와의 연결이 끊어졌습니다. 잠시 후 다시 이용해 주세요.");
    EXPECT_EQ(shown[1], "서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.");
    for (DWORD t : threads) EXPECT_EQ(t, ::GetCurrentThreadId());
}

// Messages that never reach the main window (a system can drop one) must not
// count against the reader's room for the rest of the session.
namespace lost_messages {
int g_toLose = 0;
LRESULT CALLBACK LoseSocketEvents(int code, WPARAM w, LPARAM l) {
    auto* m = reinterpret_cast<MSG*>(l);
    if (code == HC_ACTION && w == PM_REMOVE && m->message == WM_SOCKET_EVENT && m->wParam == EV_CHAT_ANSWER &&
        g_toLose > 0) {
        --g_toLose;
        m->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, w, l);
}
}  // namespace lost_messages

TEST_F(DispatchTest, PacketMessagesLostOnTheWayAreReclaimedAndTheReaderReadsOn) {
    OpenConnected();
    Settle();
    const int lost = static_cast<int>(CServerSocket::kMaxUnhandledPackets);
    lost_messages::g_toLose = lost;
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, &lost_messages::LoseSocketEvents, nullptr, ::GetCurrentThreadId());
    Bytes burst;
    for (int i = 0; i < lost; ++i) {
        const Bytes answer = devserver::FramePacket(CMD_CHAT_ANSWER, KIND_ANSWER, Bytes(30, 'F'));  // too short: dropped
        burst.insert(burst.end(), answer.begin(), answer.end());
    }
    const Bytes note = devserver::FramePacket(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), "hi"));
    burst.insert(burst.end(), note.begin(), note.end());
    ASSERT_TRUE(server->SendRaw("me", burst));
    const bool arrived = testing_support::PumpUntil([&] { return dlg->readNotes.size() == 1; }, 10000);
    ::UnhookWindowsHookEx(hook);
    EXPECT_TRUE(arrived) << "the reader stopped for good behind copies nobody would free";
    EXPECT_EQ(0, lost_messages::g_toLose);
    EXPECT_EQ(0u, UnhandledSocketEventCopies());
    // A probe number made up by someone else frees nothing.
    uint8_t bytes[kHeaderSize] = {};
    const LPARAM copy = reinterpret_cast<LPARAM>(NewSocketEventCopy(bytes, sizeof bytes));
    ::SendMessageA(window, WM_SOCKET_EVENT, EV_COPY_PROBE, 12345);
    EXPECT_EQ(1u, UnhandledSocketEventCopies());
    FreeSocketEventCopy(copy);
}

}  // namespace
}  // namespace hub
