// Every popup as the main window opens it from real packets and requests:
// its skin, its bitmap buttons, its fonts and colours, and where it sits on
// the screen.
#include "popup_fixture.h"
#include "popup_test_support.h"
#include "popups/popup_look.h"

namespace hub {
namespace {

using popup_test::ChildRect;

class PopupLookTest : public PopupTest {};

// The skin picture lies beneath every control at the top-left corner and
// covers the client area; what a skin of the stated size leaves of a client
// area one or two pixels larger is painted in the skin's ground colour.
TEST_F(PopupLookTest, SkinsLieBeneathTheControlsAndCoverTheClientArea) {
    for (const PopupLookCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        HWND popup = c.open(*this);
        const DismissAtEnd dismiss{popup};
        ASSERT_TRUE(popup);
        HWND skin = nullptr;
        for (HWND child = ::GetWindow(popup, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) skin = child;
        }
        if (!c.skin) {
            EXPECT_EQ(nullptr, skin);
            continue;
        }
        ASSERT_TRUE(skin);
        EXPECT_EQ(nullptr, ::GetWindow(skin, GW_HWNDNEXT)) << "last in the z-order: beneath the rest";
        EXPECT_EQ(0xFFFF, ::GetDlgCtrlID(skin) & 0xFFFF) << "no control id";
        RECT s = {};
        ::GetWindowRect(skin, &s);
        ::MapWindowPoints(nullptr, popup, reinterpret_cast<POINT*>(&s), 2);
        EXPECT_EQ(0, s.left);
        EXPECT_EQ(0, s.top);
        EXPECT_EQ(c.skinWidth, s.right);
        EXPECT_EQ(c.skinHeight, s.bottom);
        RECT client{};
        ::GetClientRect(popup, &client);
        EXPECT_LE(client.right - s.right, 2);
        EXPECT_LE(client.bottom - s.bottom, 2);
        const COLORREF ground = BrushColour(reinterpret_cast<HBRUSH>(::SendMessageA(
            popup, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(::GetDC(popup)), reinterpret_cast<LPARAM>(popup))));
        EXPECT_EQ(RGB(242, 243, 227), ground);
        // The bottom-right pixel of the client area shows the skin's ground.
        int w = 0, h = 0;
        const std::vector<COLORREF> pixels = popup_test::WindowPixels(popup, &w, &h);
        ASSERT_EQ(static_cast<size_t>(w) * h, pixels.size());
        EXPECT_EQ(RGB(242, 243, 227), pixels.back());
    }
}

TEST_F(PopupLookTest, VisibleButtonsShowTheirImagesAtTheImagesSize) {
    for (const PopupLookCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        HWND popup = c.open(*this);
        const DismissAtEnd dismiss{popup};
        ASSERT_TRUE(popup);
        for (const ButtonLook& b : c.buttons) {
            SCOPED_TRACE(b.item);
            HWND button = ::GetDlgItem(popup, b.item);
            ASSERT_TRUE(button);
            EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK);
            const RECT r = ChildRect(popup, b.item);
            EXPECT_EQ(b.width, r.right - r.left);
            EXPECT_EQ(b.height, r.bottom - r.top);
        }
        if (!c.skin) {  // the notice's plain push button
            EXPECT_EQ(BS_PUSHBUTTON, ::GetWindowLongA(::GetDlgItem(popup, IDC_NOTICE_OK), GWL_STYLE) & BS_TYPEMASK);
        }
    }
}

TEST_F(PopupLookTest, AMansCardShowsHisPointsGroupedInBoldAndEveryLineInGulimChe) {
    HWND popup = OpenIncoming(Tom());
    EXPECT_EQ("12,500", ItemText(popup, IDC_CARD_FIRST));
    EXPECT_EQ("Tom&&Jerry(tom, 남/31세)", ItemText(popup, IDC_MEMBER_TITLE));
    const LOGFONTW points = ItemFont(popup, IDC_CARD_FIRST);
    EXPECT_STREQ(L"굴림체", points.lfFaceName);
    EXPECT_EQ(12, points.lfHeight);
    EXPECT_EQ(700, points.lfWeight);
    for (int item : {IDC_MEMBER_TITLE, IDC_CARD_REGION, IDC_CARD_TOPIC, IDC_CARD_TASTE, IDC_CARD_POPULARITY}) {
        const LOGFONTW lf = ItemFont(popup, item);
        EXPECT_STREQ(L"굴림체", lf.lfFaceName) << item;
        EXPECT_EQ(12, lf.lfHeight) << item;
        EXPECT_EQ(0, lf.lfWeight) << item;
    }
    // Line 1015 sits under the printed 포인트 of the man's skin.
    EXPECT_EQ(92, ChildRect(popup, IDC_CARD_FIRST).left);
}

TEST_F(PopupLookTest, AWomansCardShowsHerOccupationInRegularType) {
    HWND popup = OpenIncoming(Mina());
    EXPECT_EQ("디자이너", ItemText(popup, IDC_CARD_FIRST));
    EXPECT_EQ(0, ItemFont(popup, IDC_CARD_FIRST).lfWeight);
    EXPECT_EQ("영화 && 음악", ItemText(popup, IDC_CARD_TOPIC));
    EXPECT_EQ("청바지", ItemText(popup, IDC_CARD_TASTE));
    EXPECT_EQ(74, ChildRect(popup, IDC_CARD_FIRST).left) << "under the printed 직업";
}

TEST_F(PopupLookTest, DetailsAreOrangeOverTheSkinAndTheTitleKeepsTheDefaultColour) {
    HWND popup = OpenIncoming(Mina());
    for (int item : {IDC_CARD_FIRST, IDC_CARD_REGION, IDC_CARD_TOPIC, IDC_CARD_TASTE, IDC_CARD_POPULARITY}) {
        const Colours c = ItemColours(popup, item);
        EXPECT_EQ(::GetStockObject(HOLLOW_BRUSH), c.brush) << item;
        EXPECT_EQ(TRANSPARENT, c.bkMode) << item;
        EXPECT_EQ(RGB(241, 101, 34), c.text) << item;
    }
    const Colours title = ItemColours(popup, IDC_MEMBER_TITLE);
    EXPECT_EQ(::GetStockObject(HOLLOW_BRUSH), title.brush);
    EXPECT_EQ(RGB(1, 2, 3), title.text);
    const Colours countdown = ItemColours(popup, IDC_COUNTDOWN);
    EXPECT_EQ(RGB(242, 243, 227), BrushColour(countdown.brush));
    EXPECT_EQ(TRANSPARENT, countdown.bkMode);
}

TEST_F(PopupLookTest, NoteHeadingsAndTheReceivedBoxHaveTheirColours) {
    MemberProfile rb = Member("rb", 'M', "R&B");
    rb.age = 25;
    HWND note = OpenReadNote(rb, u8"첫 줄\n둘째 줄");
    EXPECT_EQ("R&&B(25/남)", ItemText(note, IDC_SENDER));
    EXPECT_EQ("첫 줄\r\n둘째 줄", ItemText(note, IDC_NOTE_BOX)) << "lines of other systems are shown as lines";
    EXPECT_EQ(RGB(241, 101, 34), ItemColours(note, IDC_SENDER).text);
    const Colours box = ItemColours(note, IDC_NOTE_BOX);  // read-only: painted as a static
    EXPECT_EQ(RGB(239, 230, 213), BrushColour(box.brush));
    EXPECT_EQ(RGB(241, 101, 34), box.text);
    EXPECT_STREQ(L"굴림체", ItemFont(note, IDC_REPLY_TEXT).lfFaceName);

    HWND send = OpenSendNote("amy/A&my/F/22");
    EXPECT_EQ("A&&my", ItemText(send, IDC_RECIPIENT));
    EXPECT_EQ(RGB(241, 101, 34), ItemColours(send, IDC_RECIPIENT).text);
    EXPECT_EQ(TRANSPARENT, ItemColours(send, IDC_RECIPIENT).bkMode);
}

TEST_F(PopupLookTest, TheNoticeUsesTwelvePixelGulimCheWhateverThePlatform) {
    HWND notice = OpenNotice();
    for (int item : {IDC_NOTICE_TEXT, IDC_NOTICE_OK}) {
        const LOGFONTW lf = ItemFont(notice, item);
        EXPECT_STREQ(L"굴림체", lf.lfFaceName);
        EXPECT_EQ(12, lf.lfHeight);
    }
    EXPECT_FALSE(ItemText(notice, IDC_NOTICE_TEXT).empty());
}

// A member's '&' must read as '&' wherever the popups show member texts.
TEST_F(PopupLookTest, AmpersandsOfMemberTextsAreShownInEveryCard) {
    HWND outgoing = OpenOutgoing("rnb/R&B/F/25/a&b/c&d/5/7&/x&y/3");
    EXPECT_EQ("R&&B(rnb, 여/25세)", ItemText(outgoing, IDC_MEMBER_TITLE));
    EXPECT_EQ("a&&b", ItemText(outgoing, IDC_CARD_FIRST));
    EXPECT_EQ("c&&d", ItemText(outgoing, IDC_CARD_REGION));
    EXPECT_EQ("x&&y", ItemText(outgoing, IDC_CARD_TOPIC));
    Click(outgoing, IDCANCEL);

    MemberProfile amp = Mina();
    amp.nickname = "A&B";
    amp.topic = "hi&bye";
    HWND points = OpenIncoming(amp, 'N');
    EXPECT_EQ("A&&B(mina, 여/25세)", ItemText(points, IDC_MEMBER_TITLE));
    EXPECT_EQ("hi&&bye", ItemText(points, IDC_CARD_TOPIC));
}

TEST_F(PopupLookTest, RefusedFontsAreReportedAndThePopupStillWorks) {
    const PopupFontFactory previous = SetPopupFontFactory([](CFont&, int, int, const char*) { return FALSE; });
    HWND popup = OpenIncoming(Tom());
    SetPopupFontFactory(previous);
    EXPECT_EQ(3u, BoxCount("CreateFont() Error")) << "one box for each of its three fonts";
    EXPECT_EQ("12,500", ItemText(popup, IDC_CARD_FIRST));
    const LOGFONTW lf = ItemFont(popup, IDC_CARD_FIRST);
    EXPECT_STRNE(L"굴림체", lf.lfFaceName) << "the dialog's own font";
    Click(popup, IDC_ACCEPT);
    ASSERT_TRUE(WaitSent(CMD_CHAT_ANSWER, 1));
    EXPECT_EQ('A', ParseAnswer(Sent(CMD_CHAT_ANSWER)[0]).code);
}

TEST_F(PopupLookTest, SeventeenIncomingPopupsCascadeAndTheOneReaching400SitsAtTheCorner) {
    dlg->chatPopupOrigin = POINT{128, 128};
    std::vector<HWND> popups;
    for (int i = 0; i < 17; ++i) popups.push_back(OpenIncoming(Member("m" + std::to_string(i), i % 2 ? 'M' : 'F')));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(144 + 16 * i, Place(popups[i]).x) << i;
        EXPECT_EQ(144 + 16 * i, Place(popups[i]).y) << i;
    }
    EXPECT_EQ(0, Place(popups[16]).x);
    EXPECT_EQ(0, Place(popups[16]).y);
    // Points notices share the cascade.
    EXPECT_EQ(16, Place(OpenIncoming(Tom(), 'N')).x);
    for (HWND p : popups) EXPECT_EQ(WS_EX_TOPMOST, ::GetWindowLongA(p, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(PopupLookTest, TheTenthNoticeSitsAtTheCorner) {
    std::vector<HWND> notices;
    for (int i = 0; i < 10; ++i) notices.push_back(OpenNotice());
    EXPECT_EQ(144, Place(notices[8]).x);
    EXPECT_EQ(0, Place(notices[9]).x);
    EXPECT_EQ(0, Place(notices[9]).y);
}

TEST_F(PopupLookTest, AfterTheLastReadNoteEndsTheNextOpensAt356And16) {
    HWND first = OpenReadNote(Tom());
    HWND second = OpenReadNote(Mina());
    EXPECT_EQ(372, Place(second).x);
    ::SendMessageA(first, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    // The last one ends by a reply: it stops counting all the same.
    ::SetDlgItemTextA(second, IDC_REPLY_TEXT, "ok");
    Click(second, IDC_REPLY_SEND);
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_EQ(0, dlg->openNoteCount);
    const POINT next = Place(OpenReadNote(Tom()));
    EXPECT_EQ(356, next.x);
    EXPECT_EQ(16, next.y);
}

}  // namespace
}  // namespace hub
