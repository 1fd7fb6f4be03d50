// Requests that reach the main window from the controls and from its popups,
// and the end of the session.
#include <cstring>

#include "text_conversion.h"
#include "bodies.h"
#include "hub_fixture.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/note_to_all_dlg.h"
#include "popups/send_note_dlg.h"

namespace hub {
namespace {

const std::string kNotConnected = "서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요.";
const char kChatNeedsWebcam[] =
    "대화신청은 웹캠이 있어야 이용하실 수 있습니다.\r\n웹캠을 설치하시거나, 연결 상태를 점검하신 후\r\n다시 접속해 주세요.";

class LocalRequestTest : public HubTest {
protected:
    LRESULT CopyData(ULONG_PTR kind, const void* data, DWORD size) {
        COPYDATASTRUCT cds{kind, size, const_cast<void*>(data)};
        return ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    }
    void SendNoteTo(const std::string& text) {
        const NoteTargetInfo record = PackNoteTargetInfo(KoreanBytesFromUtf8(text));  // as the controls pack it
        CopyData(COPYDATA_SEND_NOTE, &record, sizeof record);
    }
    void ChatWith(const std::string& text) {
        const ChatTargetInfo record = PackChatTargetInfo(KoreanBytesFromUtf8(text));  // as the controls pack it
        CopyData(COPYDATA_CHAT_REQUEST, &record, sizeof record);
    }
};

TEST_F(LocalRequestTest, RecordsShorterThanTheirKindOrOfUnknownKindAreIgnored) {
    OpenConnected();
    const NoteTargetInfo note = PackNoteTargetInfo("bob/Bobby/M/30");
    const ChatTargetInfo chat = PackChatTargetInfo("bob/Bobby/M/30");
    CopyData(COPYDATA_SEND_NOTE, &note, sizeof note - 1);
    CopyData(COPYDATA_CHAT_REQUEST, &chat, sizeof chat - 1);
    CopyData(COPYDATA_SEND_NOTE, nullptr, 0);
    CopyData(103, &chat, sizeof chat);
    EXPECT_EQ(dlg->popups.sendNote, nullptr);
    EXPECT_TRUE(dlg->chatTarget.MemberId().empty());
    EXPECT_TRUE(dlg->pendingTargetId.empty());
    Settle();
    EXPECT_TRUE(Sent(CMD_CHAT_CHECK).empty());
    EXPECT_EQ(boxes.Count(), 0u);

    // A larger buffer holds the record at its start.
    std::vector<uint8_t> longer(sizeof note + 20, 0xEE);
    std::memcpy(longer.data(), &note, sizeof note);
    CopyData(COPYDATA_SEND_NOTE, longer.data(), static_cast<DWORD>(longer.size()));
    ASSERT_NE(dlg->popups.sendNote, nullptr);
    EXPECT_EQ(dlg->popups.sendNote->RecipientId(), "bob");
}

TEST_F(LocalRequestTest, OneSendNotePopupAtATime) {
    OpenUnconnected();
    SendNoteTo("bob/B&B/M/30");
    ASSERT_NE(dlg->popups.sendNote, nullptr);
    HWND popup = dlg->popups.sendNote->GetSafeHwnd();
    EXPECT_EQ(dlg->popups.sendNote->GetTemplateId(), 130u);
    EXPECT_EQ(dlg->pendingTargetId, "bob");
    EXPECT_EQ(ItemText(popup, IDC_RECIPIENT), "B&&B");

    SendNoteTo("amy/Amy/F/22");
    EXPECT_EQ(dlg->popups.sendNote->GetSafeHwnd(), popup);
    EXPECT_EQ(dlg->popups.sendNote->RecipientId(), "bob");
    EXPECT_EQ(dlg->pendingTargetId, "bob");

    ::SendMessageA(window, WM_POPUP_CLOSED, 0, POPUP_SEND_NOTE);
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(dlg->popups.sendNote, nullptr);
    SendNoteTo("amy/Amy/F/22");
    ASSERT_NE(dlg->popups.sendNote, nullptr);
    EXPECT_EQ(dlg->pendingTargetId, "amy");
}

TEST_F(LocalRequestTest, ChatRequestWhileNotConnectedShowsMessage10AndKeepsTheTarget) {
    OpenUnconnected("me/pw/M/sess/");
    ChatWith("bob/Bobby/M/30/student/Seoul/5/12/hello/1200");
    EXPECT_EQ(BoxCount("10" + kNotConnected), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "서버 메시지");
    EXPECT_EQ(dlg->chatTarget.MemberId(), "bob");
    EXPECT_EQ(dlg->chatTarget.ChatTopic(), "hello");
    EXPECT_EQ(dlg->chatTarget.Points(), 1200);
}

// The number tells the member (and support) which request found no link.
TEST_F(LocalRequestTest, EverySenderWithoutALinkShowsItsOwnNumber) {
    OpenUnconnected("me/pw/M/sess/");
    EXPECT_FALSE(dlg->SendLogin());
    EXPECT_FALSE(dlg->SendKeepAlive());
    dlg->StageNoteText("hello");
    EXPECT_FALSE(dlg->SendNote("bob"));
    EXPECT_FALSE(dlg->SendChatRequest("bob"));
    EXPECT_FALSE(dlg->AnswerChatRequest('A', "Bobby", "bob", 'N'));
    EXPECT_FALSE(dlg->SendChatControl("bob", 'C'));
    std::vector<std::string> texts;
    for (const auto& box : boxes.Boxes()) texts.push_back(box.text);
    const std::vector<std::string> expected = {"1" + kNotConnected, "3" + kNotConnected, "4" + kNotConnected,
                                               "5" + kNotConnected, "6" + kNotConnected, "7" + kNotConnected};
    EXPECT_EQ(texts, expected);
}

TEST_F(LocalRequestTest, AWomanWithoutWebcamCannotAskButTheTargetIsKept) {
    OpenConnected("me/pw/F/sess/127.0.0.1");
    dlg->webcamPresent = false;
    ChatWith("bob/Bobby/M/30");
    EXPECT_EQ(BoxCount(kChatNeedsWebcam), 1u);
    EXPECT_EQ(dlg->chatTarget.MemberId(), "bob");
    ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
    EXPECT_EQ(BoxCount(kChatNeedsWebcam), 2u);
    EXPECT_EQ(dlg->chatTarget.MemberId(), "bob");
    Settle();
    EXPECT_TRUE(Sent(CMD_CHAT_CHECK).empty());

    dlg->webcamPresent = true;
    ChatWith("bob/Bobby/M/30");
    ASSERT_TRUE(WaitSent(CMD_CHAT_CHECK, 1));
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_CHECK)[0]), "bob");
}

TEST_F(LocalRequestTest, ChatToEveryoneWritesAllOverTheTargetAndChecks) {
    OpenConnected("me/pw/M/sess/127.0.0.1");
    ChatWith("bob/Bobby/M/30/student/Seoul/5/12/hello/1200");
    Mark();
    ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
    EXPECT_EQ(dlg->chatTarget.MemberId(), "ALL");
    EXPECT_EQ(dlg->chatTarget.Nickname(), "Bobby");  // the rest of the record stays
    ASSERT_TRUE(WaitSent(CMD_CHAT_CHECK, 1));
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_CHECK)[0]), "ALL");
}

TEST_F(LocalRequestTest, NothingForEveryoneWhileAnOwnRequestWaits) {
    OpenConnected("me/pw/M/sess/127.0.0.1");
    ChatWith("bob/Bobby/M/30");
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "bob", ""));
    ASSERT_NE(dlg->popups.outgoingChat, nullptr);
    Mark();
    ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
    ::SendMessageA(window, WM_TRAY_NOTE_ALL, 0, 0);
    EXPECT_EQ(dlg->chatTarget.MemberId(), "bob");
    EXPECT_EQ(dlg->popups.noteToAll, nullptr);
    Settle();
    EXPECT_TRUE(Sent(CMD_CHAT_CHECK).empty());
}

TEST_F(LocalRequestTest, OneNoteToAllPopupAtATime) {
    OpenUnconnected();
    ::SendMessageA(window, WM_TRAY_NOTE_ALL, 0, 0);
    ASSERT_NE(dlg->popups.noteToAll, nullptr);
    CNoteToAllDlg* first = dlg->popups.noteToAll;
    EXPECT_EQ(first->GetTemplateId(), 147u);
    ::SendMessageA(window, WM_TRAY_NOTE_ALL, 0, 0);
    EXPECT_EQ(dlg->popups.noteToAll, first);
    ::SendMessageA(window, WM_POPUP_CLOSED, 0, POPUP_NOTE_TO_ALL);
    EXPECT_EQ(dlg->popups.noteToAll, nullptr);
}

// Keys of the closing message are only compared with the registry, never
// followed, so a message from elsewhere cannot close the wrong popup or crash.
TEST_F(LocalRequestTest, ClosingMessagesWithForeignKeysChangeNothing) {
    OpenConnected();
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("bob", 'M')));
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("amy", 'F'), 'N'));
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("zed", 'C', "0.0.0.0", "CANCELED"));
    ASSERT_EQ(dlg->popups.notices.size(), 1u);
    const std::string bob = "bob";
    for (LPARAM kind : {POPUP_INCOMING_CHAT, POPUP_CHAT_NOTICE, POPUP_POINTS_SHORT}) {
        ::SendMessageA(window, WM_POPUP_CLOSED, 0x12345678, kind);
        ::SendMessageA(window, WM_POPUP_CLOSED, reinterpret_cast<WPARAM>(&bob), kind);
    }
    ::SendMessageA(window, WM_POPUP_CLOSED, 0, 7);
    dlg->pendingTargetId = "note-target";
    ::SendMessageA(window, WM_POPUP_CLOSED, 0, POPUP_OUTGOING_CHAT);  // an empty slot
    EXPECT_EQ(dlg->pendingTargetId, "note-target");
    EXPECT_NE(dlg->popups.incomingRequests[0].popup, nullptr);
    EXPECT_NE(dlg->popups.pointsShort[0].second, nullptr);
    EXPECT_NE(dlg->popups.notices[0].popup, nullptr);
    EXPECT_EQ(dlg->openNoticeCount, 1);
}

// Two requests from the same member: answering the second closes the second.
TEST_F(LocalRequestTest, EachIncomingPopupClosesItsOwnEntry) {
    OpenConnected();
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("bob", 'M')));
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("bob", 'M')));
    auto& list = dlg->popups.incomingRequests;
    HWND first = list[0].popup->GetSafeHwnd();
    HWND second = list[1].popup->GetSafeHwnd();
    Click(second, IDC_ACCEPT);
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_TRUE(::IsWindow(first));
    ASSERT_EQ(list.size(), 2u);  // answered entries stay until the server settles them
    EXPECT_TRUE(list[1].done);
    EXPECT_FALSE(list[0].done);
}

TEST_F(LocalRequestTest, EndingRefusesEveryOpenRequestThenLogsOutOnce) {
    OpenConnected();
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("ann", 'F')));
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("ben", 'M')));
    Mark();
    ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
    ASSERT_TRUE(WaitSent(CMD_LOGOUT, 1));
    Settle();
    const auto sent = SentSinceMark();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].command, CMD_CHAT_ANSWER);
    EXPECT_EQ(ParseAnswer(sent[0]).askerId, "ann");
    EXPECT_EQ(ParseAnswer(sent[0]).code, 'R');
    EXPECT_EQ(ParseAnswer(sent[0]).flag, 'N');
    EXPECT_EQ(sent[1].command, CMD_CHAT_ANSWER);
    EXPECT_EQ(ParseAnswer(sent[1]).askerId, "ben");
    EXPECT_EQ(sent[2].command, CMD_LOGOUT);
    EXPECT_EQ(boxes.Count(), 0u);  // the member ended it: no reason to tell
}

TEST_F(LocalRequestTest, EndingWithAWaitingOwnRequestWithdrawsItBeforeTheLogout) {
    OpenConnected("me/pw/M/sess/127.0.0.1");
    ChatWith("bob/Bobby/M/30");
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "bob", ""));
    Mark();
    ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
    ASSERT_TRUE(WaitSent(CMD_LOGOUT, 1));
    const auto sent = SentSinceMark();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].command, CMD_CHAT_CONTROL);
    EXPECT_EQ(ParseControl(sent[0]).code, 'C');
    EXPECT_EQ(sent[1].command, CMD_LOGOUT);
}

TEST_F(LocalRequestTest, CloseQuestionAnsweredWithCancelKeepsTheSession) {
    OpenConnected();
    boxes.answer = IDCANCEL;
    ::SendMessageA(window, WM_TRAY_CLOSE_ASK, 0, 0);
    EXPECT_EQ(BoxCount("쪽지받기 아이콘을 종료하시겠습니까?"), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST));
    EXPECT_FALSE(Ended());
    boxes.answer = IDOK;
    ::SendMessageA(window, WM_TRAY_CLOSE_ASK, 0, 0);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(WaitSent(CMD_LOGOUT, 1));
}

TEST_F(LocalRequestTest, EndingWithoutALinkSendsAndShowsNothing) {
    OpenUnconnected();
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("ann", 'F')));
    ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(boxes.Count(), 0u);  // never connected: no logout attempted
}

}  // namespace
}  // namespace hub
