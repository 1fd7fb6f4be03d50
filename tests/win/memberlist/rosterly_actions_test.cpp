// The context menu and what the viewer does with a row: notes and chat
// requests reach a stand-in "PvxTray" window, friends and blocks go to the
// development server, profiles to the browser seam.
#include "rosterly_fixture.h"

#include <commctrl.h>

#include <algorithm>

#include "fields.h"
#include "records.h"
#include "rosterly_texts.h"
#include "tray_messages.h"
#include "tray_stand_in.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class MemberActions : public RosterlyTest {
protected:
    // A man's female list: amy a friend, bora ("A&B") blocked, chae chatting.
    CRosterlyCtrl* Start() {
        StartServer();
        SetMember("amy", 'F', u8"에이미", 31);
        SetMember("bora", 'F', u8"A&B", 27);
        SetMember("chae", 'F', u8"채원", 22);
        List("amy");
        List("bora");
        List("chae", true);
        server->MemberList().SetRelation("viewer", "amy", devserver::MemberRelation{true, false, true});
        server->MemberList().SetRelation("viewer", "bora", devserver::MemberRelation{false, true, false});
        return HostViewer(L"man", 3);
    }
    LPARAM PointIn(CRosterlyCtrl* c, const std::string& id) {
        RECT rc{};
        rc.left = LVIR_LABEL;
        ::SendMessageA(c->m_hWnd, LVM_GETITEMRECT, RowOf(c, id), reinterpret_cast<LPARAM>(&rc));
        return MAKELPARAM(rc.left + 5, (rc.top + rc.bottom) / 2);
    }
    // Right-clicks the member's row, as the viewer does. The release is
    // queued first: the list view looks for it (a drag) before it goes on.
    void RightClick(CRosterlyCtrl* c, const std::string& id) {
        ASSERT_GE(RowOf(c, id), 0);
        const LPARAM at = PointIn(c, id);
        ::PostMessageA(c->m_hWnd, WM_RBUTTONUP, 0, at);
        ::SendMessageA(c->m_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, at);
        PumpFor(50);
    }
    void Choose(CRosterlyCtrl* c, const std::string& id, UINT command) {
        menuAnswer = command;
        RightClick(c, id);
        menuAnswer = 0;
        PumpFor(100);  // the chosen command arrives as WM_COMMAND
    }
    void DoubleClick(CRosterlyCtrl* c, const std::string& id) {
        const LPARAM at = PointIn(c, id);
        Select(c, RowOf(c, id));
        ::PostMessageA(c->m_hWnd, WM_LBUTTONUP, 0, at);
        ::SendMessageA(c->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PumpFor(50);
    }
    // The controls find Notewell by its title: no other "PvxTray" may be about.
    static void OnlyOurTray(const TrayStandIn& tray) {
        ASSERT_EQ(tray.Window(), ::FindWindowA(nullptr, kTrayWindowTitle))
            << "another program's PvxTray window is open on this desktop";
    }
    bool Enabled(const std::string& text) const {
        for (const ShownMenuItem& i : lastMenu)
            if (i.text == text) return i.enabled;
        ADD_FAILURE() << "no menu item " << text;
        return false;
    }
    std::optional<devserver::RecordedPacket> WaitRelation(size_t index) {
        if (!WaitRequests(devserver::LIST_RELATION, index + 1)) return std::nullopt;
        size_t seen = 0;
        for (const auto& p : server->Received())
            if (p.command == devserver::LIST_RELATION && seen++ == index) return p;
        return std::nullopt;
    }
};

TEST_F(MemberActions, MenuOfTheOtherSexFollowsEachMembersFlags) {
    CRosterlyCtrl* c = Start();
    RightClick(c, "amy");  // a friend
    ASSERT_EQ(1u, menus.size());
    std::vector<std::string> texts;
    for (const auto& i : lastMenu) texts.push_back(i.text);
    EXPECT_EQ((std::vector<std::string>{"쪽지보내기", "1:1 채팅신청", "프로필보기", "친구관리", "친구등록", "친구해제",
                                        "차단", "차단해제"}),
              texts);
    EXPECT_TRUE(Enabled("쪽지보내기"));
    EXPECT_TRUE(Enabled("1:1 채팅신청"));
    EXPECT_FALSE(Enabled("친구등록"));
    EXPECT_TRUE(Enabled("친구해제"));
    EXPECT_TRUE(Enabled("차단"));
    EXPECT_FALSE(Enabled("차단해제"));
    EXPECT_EQ(static_cast<UINT>(TPM_LEFTALIGN | TPM_LEFTBUTTON), menus[0].flags);
    EXPECT_EQ(c->m_hWnd, menus[0].owner);

    RightClick(c, "bora");  // blocked: only the unblock among the friend items
    EXPECT_FALSE(Enabled("친구등록"));
    EXPECT_FALSE(Enabled("친구해제"));
    EXPECT_FALSE(Enabled("차단"));
    EXPECT_TRUE(Enabled("차단해제"));

    RightClick(c, "chae");  // chatting: no chat request
    EXPECT_FALSE(Enabled("1:1 채팅신청"));
    EXPECT_TRUE(Enabled("친구등록"));
    EXPECT_TRUE(Enabled("프로필보기"));
}

TEST_F(MemberActions, NoSelectedRowOpensNoMenu) {
    CRosterlyCtrl* c = Start();
    Select(c, -1);
    ::SendMessageA(c->m_hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c->m_hWnd), MAKELPARAM(10, 10));
    EXPECT_TRUE(menus.empty());
}

TEST_F(MemberActions, KeyboardMenuOpensAtTheSelectedRow) {
    CRosterlyCtrl* c = Start();
    Select(c, 1);
    ::SendMessageA(c->m_hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c->m_hWnd), MAKELPARAM(-1, -1));
    ASSERT_EQ(1u, menus.size());
    RECT window{};
    ::GetWindowRect(c->m_hWnd, &window);
    EXPECT_GE(menus[0].x, window.left);
    EXPECT_GT(menus[0].y, window.top);
    EXPECT_LT(menus[0].y, window.bottom);
}

TEST_F(MemberActions, SameSexListOffersTheProfileOnlyAndIgnoresDoubleClicks) {
    StartServer();
    SetMember("jun", 'M', u8"준호", 33);
    List("jun");
    CRosterlyCtrl* c = HostViewer(L"man");
    c->SetTextLabel("woman");  // the male list, for a man
    ASSERT_TRUE(WaitRows(c, 1));
    TrayStandIn tray;
    OnlyOurTray(tray);
    RightClick(c, "jun");
    ASSERT_EQ(1u, lastMenu.size());
    EXPECT_EQ("프로필보기", lastMenu[0].text);
    EXPECT_EQ(static_cast<UINT>(ID_MEMBER_PROFILE_SAME), lastMenu[0].id);
    DoubleClick(c, "jun");
    EXPECT_TRUE(tray.Deliveries().empty());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(MemberActions, NoteRecordReachesNotewellWithTheMembersAge) {
    CRosterlyCtrl* c = Start();
    TrayStandIn tray;
    OnlyOurTray(tray);
    Choose(c, "amy", ID_MEMBER_NOTE);
    ASSERT_EQ(1u, tray.Deliveries().size());
    const TrayDelivery& d = tray.Deliveries()[0];
    EXPECT_EQ(static_cast<UINT>(WM_COPYDATA), d.message);
    EXPECT_EQ(COPYDATA_SEND_NOTE, d.copyKind);
    const auto note = ReadNoteTargetInfo(d.bytes.data(), d.bytes.size());
    ASSERT_TRUE(note);
    ASSERT_EQ(36u, d.bytes.size());
    EXPECT_EQ("amy", note->MemberId());
    EXPECT_EQ("\xBF\xA1\xC0\xCC\xB9\xCC", note->Nickname());  // 에이미 in code page 949, whatever the system's
    EXPECT_EQ(31, note->Age());
    EXPECT_EQ("F", note->Sex());
}

TEST_F(MemberActions, ChatRequestReachesNotewellUnlessTheMemberIsChatting) {
    CRosterlyCtrl* c = Start();
    TrayStandIn tray;
    OnlyOurTray(tray);
    Choose(c, "amy", ID_MEMBER_CHAT);
    ASSERT_EQ(1u, tray.Deliveries().size());
    EXPECT_EQ(COPYDATA_CHAT_REQUEST, tray.Deliveries()[0].copyKind);
    const auto chat = ReadChatTargetInfo(tray.Deliveries()[0].bytes.data(), tray.Deliveries()[0].bytes.size());
    ASSERT_TRUE(chat);
    EXPECT_EQ("amy", chat->MemberId());
    EXPECT_EQ("F", chat->Sex());
    EXPECT_EQ(31, chat->Age());

    // A double-click asks too, and for a chatting member tells why not.
    DoubleClick(c, "amy");
    EXPECT_EQ(2u, tray.Deliveries().size());
    DoubleClick(c, "chae");
    EXPECT_EQ(2u, tray.Deliveries().size());
    ASSERT_EQ(1u, boxes.CountText(kChatTargetBusyText));
    EXPECT_EQ(kChatStateCaption, boxes.Boxes()[0].caption);
    EXPECT_EQ(kInfoBox, boxes.Boxes()[0].type);
}

TEST_F(MemberActions, WithoutNotewellOrASelectedRowTheViewerIsTold) {
    CRosterlyCtrl* c = Start();
    HWND foreign = ::FindWindowA(nullptr, kTrayWindowTitle);
    DWORD pid = 0;
    if (foreign) ::GetWindowThreadProcessId(foreign, &pid);
    ASSERT_EQ(nullptr, foreign) << "a PvxTray window of process " << pid << " (this is " << ::GetCurrentProcessId() << ")";
    Choose(c, "amy", ID_MEMBER_NOTE);  // no "PvxTray" window here
    EXPECT_EQ(1u, boxes.CountText(kLoggedOutText));
    Select(c, -1);
    c->OnSendNote();
    ASSERT_EQ(1u, boxes.CountText(kNoteTargetGoneText));
    EXPECT_EQ(kNoteStateCaption, boxes.Boxes().back().caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Boxes().back().type);
    c->OnRequestChat();
    EXPECT_EQ(1u, boxes.CountText(kChatTargetGoneText));
    c->OnProfile();
    EXPECT_EQ(1u, boxes.CountText(kProfileTargetGoneText));
}

TEST_F(MemberActions, RelationRequestCarriesTheDoubledNicknameAndTheReplyUpdatesTheRow) {
    CRosterlyCtrl* c = Start();
    Choose(c, "chae", ID_MEMBER_ADD_FRIEND);
    auto request = WaitRelation(0);
    ASSERT_TRUE(request);
    ASSERT_EQ(33u, request->body.size());
    EXPECT_EQ('A', request->body[0]);
    EXPECT_EQ("chae", GetText(request->body.data() + 1, 13));
    EXPECT_EQ(u8"채원", GetText(request->body.data() + 14, 19));  // UTF-8 on the wire
    ASSERT_TRUE(boxes.WaitForText("채원 해당 회원을 친구로 등록하였습니다.", 3000));
    EXPECT_EQ("친구 등록", boxes.Boxes().back().caption);
    EXPECT_EQ(kInfoBox, boxes.Boxes().back().type);
    EXPECT_TRUE(c->GetSelectedRecord(RowOf(c, "chae"))->isFriend);
    RightClick(c, "chae");  // the next menu reflects it
    EXPECT_FALSE(Enabled("친구등록"));
    EXPECT_TRUE(Enabled("친구해제"));

    Choose(c, "bora", ID_MEMBER_BLOCK);
    request = WaitRelation(1);
    ASSERT_TRUE(request);
    EXPECT_EQ("A&&B", GetText(request->body.data() + 14, 19));
}

TEST_F(MemberActions, UnblockAsksWhetherToBefriendYesNoOrCancel) {
    CRosterlyCtrl* c = Start();
    boxes.answer = IDCANCEL;
    Choose(c, "bora", ID_MEMBER_UNBLOCK);
    ASSERT_EQ(1u, boxes.CountText(kUnblockQuestionText));
    EXPECT_EQ(kFriendCaption, boxes.Boxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNOCANCEL | MB_ICONINFORMATION | MB_TOPMOST), boxes.Boxes()[0].type);
    PumpFor(200);
    EXPECT_EQ(0u, Requests(devserver::LIST_RELATION));

    boxes.answer = IDNO;
    Choose(c, "bora", ID_MEMBER_UNBLOCK);
    auto request = WaitRelation(0);
    ASSERT_TRUE(request);
    EXPECT_EQ('U', request->body[0]);
    ASSERT_TRUE(boxes.WaitForText("A&&B 해당 회원을 차단해제하였습니다.", 3000));
    const MemberRecord* bora = c->GetSelectedRecord(RowOf(c, "bora"));
    EXPECT_FALSE(bora->isBlocked);
    EXPECT_FALSE(bora->isFriend);  // unblocked, not befriended
    EXPECT_FALSE(server->MemberList().Population().RelationOf("viewer", "bora").friendOf);

    server->MemberList().SetRelation("viewer", "bora", devserver::MemberRelation{false, true, false});
    PumpFor(200);  // the server's 'U' marks the row blocked again
    boxes.answer = IDYES;
    Choose(c, "bora", ID_MEMBER_UNBLOCK);
    request = WaitRelation(1);
    ASSERT_TRUE(request);
    EXPECT_EQ('F', request->body[0]);
    ASSERT_TRUE(boxes.WaitForText("A&&B 해당 회원을 친구로 등록하였습니다.", 3000));
    EXPECT_TRUE(c->GetSelectedRecord(RowOf(c, "bora"))->isFriend);
}

// Never a box inside a box: the question waits for the open box and is then
// asked about the member chosen while it was up.
TEST_F(MemberActions, UnblockChosenWhileABoxIsUpIsAskedOnceItIsAnswered) {
    CRosterlyCtrl* c = Start();
    int depth = 0, deepest = 0;
    std::vector<std::string> asked;
    MessageBoxHandler recorder = SetMessageBoxHandler([&](const MessageBoxRequest& box) {
        deepest = std::max(deepest, ++depth);
        asked.push_back(box.text);
        if (asked.size() == 1) Choose(c, "bora", ID_MEMBER_UNBLOCK);
        --depth;
        return box.text == kUnblockQuestionText ? IDNO : IDOK;
    });
    ToViewer(devserver::LIST_MEMBERS, 2, {'E'});
    const bool answered = PumpUntil([&] { return asked.size() >= 2; }, 3000);
    SetMessageBoxHandler(recorder);
    ASSERT_TRUE(answered);
    EXPECT_EQ(kNotConnectedText, asked[0]);
    EXPECT_EQ(kUnblockQuestionText, asked[1]);
    EXPECT_EQ(1, deepest);
    auto request = WaitRelation(0);
    ASSERT_TRUE(request);
    EXPECT_EQ('U', request->body[0]);
    EXPECT_EQ("bora", GetText(request->body.data() + 1, 13));
}

TEST_F(MemberActions, RefusedAndFailedRelationRepliesShowTheListsOwnTexts) {
    CRosterlyCtrl* c = Start();
    server->SetReply(devserver::LIST_RELATION, devserver::Reply::With('F', "BLOCKED_USER"));
    Choose(c, "amy", ID_MEMBER_BLOCK);
    ASSERT_TRUE(boxes.WaitForText("쪽지보내기를 할 수 없습니다.", 3000));
    EXPECT_EQ(kServerMessageCaption, boxes.Boxes().back().caption);
    EXPECT_EQ(kErrorBox, boxes.Boxes().back().type);
    EXPECT_FALSE(c->GetSelectedRecord(RowOf(c, "amy"))->isBlocked);

    server->SetReply(devserver::LIST_RELATION, devserver::Reply::With('F', "NO_SUCH_USER_M"));
    Choose(c, "amy", ID_MEMBER_BLOCK);
    ASSERT_TRUE(boxes.WaitForText("알수없는 오류입니다. 다시 시도해주세요", 3000));

    server->SetReply(devserver::LIST_RELATION, devserver::Reply::With('E'));
    Choose(c, "amy", ID_MEMBER_BLOCK);
    ASSERT_TRUE(boxes.WaitForText(kNotConnectedText, 3000));
}

TEST_F(MemberActions, BlockingInTheBuddyListRemovesTheRowAfterItsMessage) {
    CRosterlyCtrl* c = Start();
    c->SetTextBuddy("B");
    ASSERT_TRUE(WaitRows(c, 1));
    ASSERT_EQ("amy", RowIds(c)[0]);
    Choose(c, "amy", ID_MEMBER_BLOCK);
    ASSERT_TRUE(boxes.WaitForText("에이미 해당 회원을 차단했습니다.", 3000));
    EXPECT_EQ("회원 차단", boxes.Boxes().back().caption);
    ASSERT_TRUE(WaitRows(c, 0));

    // A reply for a member no longer listed changes and shows nothing.
    const size_t before = boxes.Count();
    ToViewer(devserver::LIST_RELATION, 2, devserver::BuildRelationReply('S', 'A', "amy", u8"에이미", ""));
    PumpFor(300);
    EXPECT_EQ(before, boxes.Count());
}

TEST_F(MemberActions, ProfileOpensTheMembersPageWithTheViewersLoginPosted) {
    CRosterlyCtrl* c = Start();
    Choose(c, "amy", ID_MEMBER_PROFILE);
    ASSERT_EQ(1u, navigations.size());
    const BrowserNavigation& n = navigations[0];
    EXPECT_EQ("www.corvala.co.kr/~pvuser/HTML/01sub/01sub_14_01.htm?pid=amy", n.url);
    EXPECT_EQ("_top", n.targetFrame);
    ASSERT_TRUE(n.hasPostData);
    EXPECT_EQ("pvapp_id=viewer&pvapp_pw=pw&pvpw=marlido", std::string(n.postData.begin(), n.postData.end()));
    EXPECT_EQ("Content-Type: application/x-www-form-urlencoded\r\n", n.headers);
    ASSERT_EQ(9u, n.settings.size());
    EXPECT_EQ(BrowserSetting::Resizable, n.settings[0].first);
    EXPECT_EQ(-1, n.settings[5].second);  // top
    EXPECT_EQ(std::make_pair(BrowserSetting::Height, 580L), n.settings[7]);
    EXPECT_EQ(std::make_pair(BrowserSetting::Width, 830L), n.settings[8]);
    EXPECT_TRUE(sounds.empty());

    // A failed navigation only beeps.
    navigateResult = E_INVALIDARG;
    Choose(c, "amy", ID_MEMBER_PROFILE);
    ASSERT_EQ(1u, sounds.size());
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), sounds[0].beepType);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(MemberActions, AfterADropTheProfileSaysLoggedOutWhileNotesStillReachNotewell) {
    CRosterlyCtrl* c = Start();
    TrayStandIn tray;
    OnlyOurTray(tray);
    ToViewer(devserver::LIST_DROP, 4, {});
    ASSERT_TRUE(PumpUntil([&] { return !c->IsConnected(); }, 3000));
    Choose(c, "amy", ID_MEMBER_PROFILE);
    EXPECT_EQ(1u, boxes.CountText(kLoggedOutText));
    EXPECT_TRUE(navigations.empty());
    Choose(c, "amy", ID_MEMBER_NOTE);
    ASSERT_EQ(1u, tray.Deliveries().size());
    EXPECT_EQ(COPYDATA_SEND_NOTE, tray.Deliveries()[0].copyKind);
    Choose(c, "amy", ID_MEMBER_ADD_FRIEND);
    EXPECT_EQ(1u, boxes.CountText(kNotConnectedText));
}

}  // namespace
