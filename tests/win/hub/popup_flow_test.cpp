// The popups' side of the contract: what each sends through the main window
// when the member answers, withdraws, writes or lets the countdown run out,
// and how each asks to be closed.
#include "text_conversion.h"
#include "bodies.h"
#include "hub_fixture.h"
#include "member_profiles.h"
#include "message_box.h"
#include "popups/chat_notice_dlg.h"
#include "popups/group_chat_dlg.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/note_to_all_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/points_short_dlg.h"
#include "popups/popup_frame.h"
#include "popups/read_note_dlg.h"
#include "popups/send_note_dlg.h"

namespace hub {
namespace {

class PopupFlowTest : public HubTest {
protected:
    void SetUp() override {
        HubTest::SetUp();
        OpenConnected("me/pw/M/sess/127.0.0.1");
    }
    HWND OpenOutgoing(const std::string& text = "mina/Mina/F/25/designer/Seoul/5/77/hi&bye/3") {
        const ChatTargetInfo record = PackChatTargetInfo(KoreanBytesFromUtf8(text));  // as the controls pack it
        COPYDATASTRUCT cds{COPYDATA_CHAT_REQUEST, sizeof record, const_cast<ChatTargetInfo*>(&record)};
        ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', record.MemberId(), ""));
        Mark();
        return dlg->popups.outgoingChat->GetSafeHwnd();
    }
    HWND OpenGroup() {
        ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
        Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "ALL", ""));
        Mark();
        return dlg->popups.groupChat->GetSafeHwnd();
    }
    HWND OpenIncoming(const MemberProfile& asker) {
        Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(asker));
        return dlg->popups.incomingRequests.back().popup->GetSafeHwnd();
    }
    HWND OpenReadNote(const std::string& from = "bob") {
        Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member(from, 'M'), "hi"));
        return dlg->readNotes.back()->GetSafeHwnd();
    }
    std::vector<devserver::ControlBody> Controls() const {
        std::vector<devserver::ControlBody> out;
        for (const RecordedPacket& p : Sent(CMD_CHAT_CONTROL)) out.push_back(ParseControl(p));
        return out;
    }
    std::vector<devserver::NoteBody> Notes() const {
        std::vector<devserver::NoteBody> out;
        for (const RecordedPacket& p : Sent(CMD_NOTE)) {
            devserver::NoteBody n;
            EXPECT_TRUE(devserver::ParseNote(p.body, &n));
            out.push_back(n);
        }
        return out;
    }
};

TEST_F(PopupFlowTest, OutgoingRequestLeftAloneCountsDownAndWithdrawsOnce) {
    HWND popup = OpenOutgoing();
    EXPECT_EQ(ItemText(popup, IDC_OUTGOING_COUNTDOWN), "20");
    Tick(popup, COutgoingChatDlg::kTimerId);
    EXPECT_EQ(ItemText(popup, IDC_OUTGOING_COUNTDOWN), "19");
    Tick(popup, COutgoingChatDlg::kTimerId, 18);
    EXPECT_EQ(ItemText(popup, IDC_OUTGOING_COUNTDOWN), "1");
    EXPECT_TRUE(::IsWindow(popup));
    Tick(popup, COutgoingChatDlg::kTimerId);
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_TRUE(dlg->chatRequestExpired);
    EXPECT_FALSE(dlg->chatRequestWithdrawn);
    ASSERT_TRUE(WaitSent(CMD_CHAT_CONTROL, 1));
    Settle();
    ASSERT_EQ(Controls().size(), 1u);
    EXPECT_EQ(Controls()[0].code, 'C');
    EXPECT_EQ(Controls()[0].id, "mina");
}

TEST_F(PopupFlowTest, WithdrawingTheOutgoingRequestSendsOneCancel) {
    HWND popup = OpenOutgoing();
    Tick(popup, COutgoingChatDlg::kTimerId, 5);
    Click(popup, IDCANCEL);
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_TRUE(dlg->chatRequestWithdrawn);
    EXPECT_TRUE(dlg->pendingTargetId.empty());
    Settle(300);
    ASSERT_EQ(Controls().size(), 1u);
    EXPECT_EQ(Controls()[0].code, 'C');
    // The member's later 'A' is not confirmed.
    Feed(CMD_CHAT_REQUEST, KIND_ANSWER, devserver::BuildChatAnswerEvent('S', 'A', "mina", "", 'N'));
    Settle();
    EXPECT_EQ(Controls().size(), 1u);
}

TEST_F(PopupFlowTest, OutgoingCardShowsTheTargetAndItsProfileButtonOpensTheProfile) {
    HWND popup = OpenOutgoing();
    EXPECT_EQ(ItemText(popup, IDC_MEMBER_TITLE), "Mina(mina, 여/25세)");
    EXPECT_EQ(ItemText(popup, IDC_CARD_FIRST), "designer");
    EXPECT_EQ(ItemText(popup, IDC_CARD_TOPIC), "hi&&bye");
    EXPECT_EQ(ItemText(popup, IDC_CARD_TASTE), "하이힐");
    Click(popup, IDC_OUTGOING_PROFILE);
    ASSERT_EQ(navigations.size(), 1u);
    EXPECT_NE(navigations[0].url.find("pid=mina"), std::string::npos);
    EXPECT_TRUE(::IsWindow(popup));
}

TEST_F(PopupFlowTest, IncomingRequestAnswers) {
    HWND accept = OpenIncoming(Member("ann", 'F'));
    Click(accept, IDC_ACCEPT);
    HWND decline = OpenIncoming(Member("ben", 'M'));
    Click(decline, IDCANCEL);
    HWND expire = OpenIncoming(Member("cat", 'F'));
    Tick(expire, CIncomingChatDlg::kTimerId, 14);
    EXPECT_EQ(ItemText(expire, IDC_COUNTDOWN), "1");
    EXPECT_FALSE(dlg->chatRequestExpired);
    Tick(expire, CIncomingChatDlg::kTimerId);
    EXPECT_TRUE(dlg->chatRequestExpired);
    EXPECT_FALSE(::IsWindow(accept) || ::IsWindow(decline) || ::IsWindow(expire));

    ASSERT_TRUE(WaitSent(CMD_CHAT_ANSWER, 3));
    const auto answers = Sent(CMD_CHAT_ANSWER);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(ParseAnswer(answers[0]).code, 'A');
    EXPECT_EQ(ParseAnswer(answers[0]).flag, 'N');
    EXPECT_EQ(ParseAnswer(answers[0]).askerId, "ann");
    EXPECT_EQ(ParseAnswer(answers[1]).code, 'R');
    EXPECT_EQ(ParseAnswer(answers[1]).flag, 'N');
    EXPECT_EQ(ParseAnswer(answers[2]).code, 'R');
    EXPECT_EQ(ParseAnswer(answers[2]).flag, 'Y');
    // Only the accepted request waits for the server's settlement.
    ASSERT_EQ(dlg->popups.incomingRequests.size(), 1u);
    EXPECT_EQ(dlg->popups.incomingRequests[0].key, "ann");
    EXPECT_TRUE(dlg->popups.incomingRequests[0].done);
}

// A refused request is over: when the same member asks again and withdraws,
// the withdrawal closes the new popup rather than the answered one.
TEST_F(PopupFlowTest, WithdrawalAfterARefusalClosesTheNewRequest) {
    const MemberProfile ann = Member("ann", 'F');
    Click(OpenIncoming(ann), IDCANCEL);
    Tick(OpenIncoming(ann), CIncomingChatDlg::kTimerId, 15);
    HWND open = OpenIncoming(ann);
    Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("ann", 'R'));
    EXPECT_FALSE(::IsWindow(open));
    EXPECT_TRUE(dlg->popups.incomingRequests.empty());
}

// Every popup's skin bitmap goes with the popup: a long session must not keep
// one per popup it ever showed.
TEST_F(PopupFlowTest, SkinBitmapsAreReleasedWithTheirPopups) {
    std::vector<HGDIOBJ> skins;
    auto skinOf = [](HWND popup) {
        for (HWND c = ::GetWindow(popup, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
            if ((::GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
                return reinterpret_cast<HGDIOBJ>(::SendMessageA(c, STM_GETIMAGE, IMAGE_BITMAP, 0));
        return HGDIOBJ{};
    };
    const long heldBefore = CGdiObject::LiveCount();
    HWND incoming = OpenIncoming(Member("ann", 'F'));
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("bob", 'M'), 'N'));
    HWND points = dlg->popups.pointsShort.back().second->GetSafeHwnd();
    HWND note = OpenReadNote();
    for (HWND p : {incoming, points, note}) {
        skins.push_back(skinOf(p));
        ASSERT_NE(skins.back(), nullptr);
        EXPECT_EQ(::GetObjectType(skins.back()), static_cast<DWORD>(OBJ_BITMAP));
    }
    Click(incoming, IDCANCEL);
    Tick(points, CPointsShortDlg::kTimerId);
    Click(note, IDCANCEL);
    Settle();
    for (HGDIOBJ skin : skins) EXPECT_EQ(::GetObjectType(skin), 0u);
    EXPECT_EQ(CGdiObject::LiveCount(), heldBefore);
}

TEST_F(PopupFlowTest, IncomingNicknameIsShownAndAnsweredInItsEscapedForm) {
    MemberProfile tom = Member("tom", 'M', "Tom&Jerry");
    tom.age = 31;
    tom.points = 12500;
    tom.occupation = "chef";
    HWND popup = OpenIncoming(tom);
    EXPECT_EQ(ItemText(popup, IDC_MEMBER_TITLE), "Tom&&Jerry(tom, 남/31세)");
    EXPECT_EQ(ItemText(popup, IDC_CARD_FIRST), "12,500");  // a man's card shows his points
    Click(popup, IDC_ACCEPT);
    ASSERT_TRUE(WaitSent(CMD_CHAT_ANSWER, 1));
    EXPECT_EQ(ParseAnswer(Sent(CMD_CHAT_ANSWER)[0]).nickname, "Tom&&Jerry");
}

TEST_F(PopupFlowTest, GroupRequestWithdrawsForEveryoneOnce) {
    HWND popup = OpenGroup();
    Tick(popup, 99, 30);  // not its timer
    EXPECT_TRUE(::IsWindow(popup));
    Tick(popup, CGroupChatDlg::kTimerId, 20);
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_TRUE(dlg->groupRequestEnded);
    ASSERT_TRUE(WaitSent(CMD_CHAT_CONTROL, 1));

    popup = OpenGroup();
    EXPECT_FALSE(dlg->groupRequestEnded);
    Tick(popup, CGroupChatDlg::kTimerId, 3);
    Click(popup, IDCANCEL);
    EXPECT_FALSE(::IsWindow(popup));
    Settle(300);
    ASSERT_EQ(Controls().size(), 1u);
    EXPECT_EQ(Controls()[0].id, "ALL");
    EXPECT_EQ(Controls()[0].code, 'C');
}

TEST_F(PopupFlowTest, PointsShortNoticeClosesItselfAndShowsTheProfile) {
    MemberProfile bob = Member("bob", 'M');
    bob.occupation = "pilot";
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(bob, 'N'));
    HWND popup = dlg->popups.pointsShort[0].second->GetSafeHwnd();
    EXPECT_EQ(ItemText(popup, IDC_CARD_FIRST), "pilot");  // occupation whatever the sex
    Click(popup, IDC_POINTS_PROFILE);
    EXPECT_EQ(navigations.size(), 1u);
    Click(popup, IDCANCEL);  // only hides
    EXPECT_TRUE(::IsWindow(popup));
    EXPECT_FALSE(::IsWindowVisible(popup));
    Tick(popup, CPointsShortDlg::kTimerId);
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_TRUE(dlg->popups.pointsShort.empty());  // nothing looks for a closed notice again
    Settle();
    EXPECT_TRUE(SentSinceMark().empty());  // the popup tells the server nothing
}

TEST_F(PopupFlowTest, StatusNoticesCloseOnTheirFourthTickAndCascade) {
    std::vector<HWND> notices;
    for (int i = 0; i < 11; ++i) {
        Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'C', "0.0.0.0", "CANCELED"));
        notices.push_back(dlg->popups.notices.back().popup->GetSafeHwnd());
    }
    EXPECT_EQ(Place(notices[0]).x, 16);
    EXPECT_EQ(Place(notices[2]).y, 48);
    EXPECT_EQ(Place(notices[9]).x, 0);  // the tenth open notice
    EXPECT_EQ(Place(notices[10]).x, 0);
    EXPECT_EQ(dlg->openNoticeCount, 11);

    Tick(notices[0], CChatNoticeDlg::kTimerId, 3);
    EXPECT_TRUE(::IsWindow(notices[0]));
    Tick(notices[0], CChatNoticeDlg::kTimerId);
    EXPECT_FALSE(::IsWindow(notices[0]));
    EXPECT_EQ(dlg->openNoticeCount, 10);
    for (size_t i = 1; i < notices.size(); ++i) Click(notices[i], IDC_NOTICE_OK);
    EXPECT_EQ(dlg->openNoticeCount, 0);
    EXPECT_EQ(dlg->noticePopupOrigin.x, 0);
}

TEST_F(PopupFlowTest, SendNotePopupSendsTheStagedTextAndCloses) {
    const NoteTargetInfo record = PackNoteTargetInfo("amy/Amy/F/22");
    COPYDATASTRUCT cds{COPYDATA_SEND_NOTE, sizeof record, const_cast<NoteTargetInfo*>(&record)};
    ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    HWND popup = dlg->popups.sendNote->GetSafeHwnd();
    Click(popup, IDC_NOTE_SEND);  // empty: nothing happens
    EXPECT_TRUE(::IsWindow(popup));
    ::SetDlgItemTextW(popup, IDC_NOTE_TEXT, L"반가워요");
    // Enter without Shift in the text box is the send key.
    MSG enter{::GetDlgItem(popup, IDC_NOTE_TEXT), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_TRUE(FilterDialogMessage(&enter));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(dlg->popups.sendNote, nullptr);
    EXPECT_EQ(dlg->noteText, "반가워요");
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
    EXPECT_EQ(Notes()[0].recipient, "amy");
    EXPECT_EQ(Notes()[0].text, u8"반가워요");
}

TEST_F(PopupFlowTest, NoteToAllIsSentToEveryone) {
    ::SendMessageA(window, WM_TRAY_NOTE_ALL, 0, 0);
    HWND popup = dlg->popups.noteToAll->GetSafeHwnd();
    ::SetDlgItemTextA(popup, IDC_NOTE_BOX, "hello all");
    Click(popup, IDC_NOTE_ALL_SEND);
    EXPECT_FALSE(::IsWindow(popup));
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
    EXPECT_EQ(Notes()[0].recipient, "ALL");
    EXPECT_EQ(Notes()[0].text, "hello all");
}

TEST_F(PopupFlowTest, ReceivedNotesCascadeAndCountHoweverTheyEnd) {
    HWND first = OpenReadNote();
    HWND second = OpenReadNote();
    EXPECT_EQ(Place(first).x, 356);
    EXPECT_EQ(Place(first).y, 16);
    EXPECT_EQ(Place(second).x, 372);
    EXPECT_EQ(dlg->openNoteCount, 2);

    ::SetDlgItemTextA(second, IDC_REPLY_TEXT, "thanks");
    Click(second, IDC_REPLY_SEND);
    EXPECT_FALSE(::IsWindow(second));
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
    EXPECT_EQ(Notes()[0].recipient, "bob");
    EXPECT_EQ(dlg->openNoteCount, 1);

    ::SendMessageA(first, WM_CLOSE, 0, 0);  // the close box: the dialog posts its cancel
    EXPECT_TRUE(testing_support::PumpUntil([&] { return !::IsWindow(first); }, 2000));
    EXPECT_EQ(dlg->openNoteCount, 0);
    EXPECT_TRUE(dlg->readNotes.empty());
    EXPECT_EQ(Place(OpenReadNote()).x, 356);  // the cascade starts over
}

TEST_F(PopupFlowTest, ChatButtonOfAReceivedNoteAsksTheSenderAndLeavesTheNoteOpen) {
    HWND note = OpenReadNote("bob");
    Mark();
    Click(note, IDC_NOTE_CHAT);
    EXPECT_TRUE(::IsWindow(note));
    EXPECT_EQ(dlg->chatTarget.MemberId(), "bob");
    EXPECT_EQ(dlg->chatTarget.SexCode(), 'M');
    ASSERT_TRUE(WaitSent(CMD_CHAT_CHECK, 1));
    EXPECT_EQ(ParseTargetId(Sent(CMD_CHAT_CHECK)[0]), "bob");
}

TEST(PopupCascade, CascadesWrapAtTheirThresholds) {
    POINT origin{0, 0};
    POINT last{};
    for (int i = 1; i <= 24; ++i) {
        last = NextChatCascade(origin);
        EXPECT_EQ(last.x, 16 * i);
    }
    EXPECT_EQ(NextChatCascade(origin).x, 0);  // (400, 400) would be reached
    origin = POINT{340, 0};
    EXPECT_EQ(NextNoteCascade(origin).x, 356);
    origin = POINT{384, 384};
    EXPECT_EQ(NextNoteCascade(origin).x, 340);
    origin = POINT{0, 0};
    EXPECT_EQ(NextNoticeCascade(origin, 9).x, 16);
    EXPECT_EQ(NextNoticeCascade(origin, 10).x, 0);
}

// Withdrawing without a link shows the numbered box; under it the countdown
// and the member may close the popup. The popup object outlives the box, and
// the withdrawal is tried once.
TEST_F(PopupFlowTest, PopupClosedUnderItsNotConnectedBoxOutlivesTheBox) {
    HWND popup = OpenOutgoing();
    dlg->connection.CloseConnection();
    const long before = CTrayPopup::LiveObjects();
    int notConnected = 0;
    long liveUnderBox = -1;
    bool inside = false;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        if (r.text.rfind("7", 0) != 0) return IDOK;
        ++notConnected;
        if (inside) return IDOK;
        inside = true;
        Tick(popup, COutgoingChatDlg::kTimerId, 20);  // the countdown runs out under the box
        Click(popup, IDCANCEL);                       // and the member closes it
        Settle();
        liveUnderBox = CTrayPopup::LiveObjects();
        inside = false;
        return IDOK;
    });
    Click(popup, IDCANCEL);
    SetMessageBoxHandler(previous);
    EXPECT_EQ(notConnected, 1);
    EXPECT_EQ(liveUnderBox, before);
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(dlg->popups.outgoingChat, nullptr);
    Settle();
    EXPECT_EQ(CTrayPopup::LiveObjects(), before - 1);
}

}  // namespace
}  // namespace hub
