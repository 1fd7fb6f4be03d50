// The mouse and the keyboard as a member uses them: the hand over the bitmap
// buttons; Enter never presses a button of a chat popup; in a note popup
// Enter sends and Shift+Enter starts a new line. These move the real pointer
// and press real keys, so they run alone.
#include "popup_fixture.h"
#include "popup_test_support.h"

namespace hub {
namespace {

using popup_test::Key;
using popup_test::PumpAsTheProgram;

class PopupInputTest : public PopupTest {
protected:
    void TearDown() override {
        for (WORD vk : {VK_RETURN, VK_SHIFT}) Key(vk, true);
        PumpAsTheProgram(50);
        PopupTest::TearDown();
    }
    void Focus(HWND popup, int item) {
        ::SetForegroundWindow(popup);
        ::SetFocus(::GetDlgItem(popup, item));
        PumpAsTheProgram(50);
    }
    void Press(WORD vk) {
        Key(vk, false);
        PumpAsTheProgram(100);
        Key(vk, true);
        PumpAsTheProgram(100);
    }
    HWND OpenSendNote() { return PopupTest::OpenSendNote("amy/Amy/F/22"); }
};

TEST_F(PopupInputTest, TheHandShowsOverEveryBitmapButtonAndNowhereElse) {
    for (const PopupLookCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        HWND popup = c.open(*this);
        const DismissAtEnd dismiss{popup};
        ASSERT_TRUE(popup);
        RECT client{};
        ::GetClientRect(popup, &client);
        POINT empty{client.right - 3, 3};  // the skin's top-right corner: no button there
        ::ClientToScreen(popup, &empty);
        ::SetCursorPos(empty.x, empty.y);
        ::SetCursor(nullptr);
        ::SendMessageA(popup, WM_SETCURSOR, reinterpret_cast<WPARAM>(popup), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_NE(dlg->handCursor, ::GetCursor());
        for (const ButtonLook& b : c.buttons) {
            HWND button = ::GetDlgItem(popup, b.item);
            RECT r{};
            ::GetWindowRect(button, &r);
            ::SetCursorPos(r.right - 1, r.bottom - 1);
            ::SetCursor(nullptr);
            EXPECT_TRUE(::SendMessageA(popup, WM_SETCURSOR, reinterpret_cast<WPARAM>(button),
                                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)))
                << b.item;
            EXPECT_EQ(dlg->handCursor, ::GetCursor()) << b.item;
        }
    }
}

// What reaches the screen: the skin beneath, the buttons and labels over it,
// and the skin showing through the labels. Away from where other programs'
// popups open, as the screen is shared.
TEST_F(PopupInputTest, TheScreenShowsButtonsAndLabelsOverTheSkin) {
    HWND popup = OpenIncoming(Tom());
    ::SetWindowPos(popup, HWND_TOPMOST, 900, 600, 0, 0, SWP_NOSIZE);
    ::RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpAsTheProgram(300);
    int w = 0, h = 0;
    const std::vector<COLORREF> screen = popup_test::ScreenPixels(popup, &w, &h);
    ASSERT_EQ(static_cast<size_t>(w) * h, screen.size());
    auto at = [&](LONG x, LONG y) { return screen[static_cast<size_t>(y) * w + x]; };

    const RECT accept = popup_test::ChildRect(popup, IDC_ACCEPT);
    const std::vector<COLORREF> image = popup_test::BitmapPixels(IDB_BUTTON_ACCEPT);
    EXPECT_EQ(image[14 * 56 + 4], at(accept.left + 4, accept.top + 14)) << "the accept button is painted";

    const RECT points = popup_test::ChildRect(popup, IDC_CARD_FIRST);
    int orange = 0;
    for (LONG y = points.top; y < points.bottom; ++y) {
        for (LONG x = points.left; x < points.left + 40; ++x) {
            const COLORREF c = at(x, y);
            orange += GetRValue(c) > 200 && GetGValue(c) < 160 && GetBValue(c) < 120;
        }
    }
    EXPECT_GT(orange, 10) << "12,500 is written in the details colour";
    const RECT region = popup_test::ChildRect(popup, IDC_CARD_REGION);
    EXPECT_EQ(RGB(255, 255, 255), at(region.right - 2, (region.top + region.bottom) / 2))
        << "the white panel shows through the label";
}

TEST_F(PopupInputTest, EnterPressesNoButtonOfAChatPopupButEscapeStillDeclines) {
    Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(Member("ann", 'F')));
    HWND popup = dlg->popups.incomingRequests.back().popup->GetSafeHwnd();
    Focus(popup, IDC_ACCEPT);
    ASSERT_EQ(::GetDlgItem(popup, IDC_ACCEPT), ::GetFocus());
    Press(VK_RETURN);
    EXPECT_TRUE(::IsWindow(popup));
    Settle(200);
    EXPECT_TRUE(Sent(CMD_CHAT_ANSWER).empty()) << "Enter accepted the request";
    Press(VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(popup));
    ASSERT_TRUE(WaitSent(CMD_CHAT_ANSWER, 1));
    EXPECT_EQ('R', ParseAnswer(Sent(CMD_CHAT_ANSWER)[0]).code);
}

TEST_F(PopupInputTest, ShiftEnterStartsANewLineAndEnterSendsTheNote) {
    HWND popup = OpenSendNote();
    Focus(popup, IDC_NOTE_TEXT);
    Press(VK_RETURN);
    EXPECT_TRUE(::IsWindow(popup)) << "nothing to send yet";
    for (char c : std::string("hi")) ::SendMessageA(::GetDlgItem(popup, IDC_NOTE_TEXT), WM_CHAR, c, 1);
    Key(VK_SHIFT, false);
    Press(VK_RETURN);
    Key(VK_SHIFT, true);
    PumpAsTheProgram(50);
    ASSERT_TRUE(::IsWindow(popup));
    EXPECT_EQ("hi\r\n", ItemText(popup, IDC_NOTE_TEXT));
    ::SendMessageA(::GetDlgItem(popup, IDC_NOTE_TEXT), WM_CHAR, 'x', 1);
    Press(VK_RETURN);
    EXPECT_FALSE(::IsWindow(popup));
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
    devserver::NoteBody note;
    ASSERT_TRUE(devserver::ParseNote(Sent(CMD_NOTE)[0].body, &note));
    EXPECT_EQ("hi\r\nx", note.text);
}

TEST_F(PopupInputTest, EnterInAReceivedNoteSendsTheReply) {
    Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(Member("bob", 'M'), "hello"));
    HWND note = dlg->readNotes.back()->GetSafeHwnd();
    Focus(note, IDC_REPLY_TEXT);
    for (char c : std::string("yes")) ::SendMessageA(::GetDlgItem(note, IDC_REPLY_TEXT), WM_CHAR, c, 1);
    Press(VK_RETURN);
    EXPECT_FALSE(::IsWindow(note));
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
}

TEST_F(PopupInputTest, APressOnTheSkinPutsTheCaretIntoTheNote) {
    HWND popup = OpenSendNote();
    Focus(popup, IDCANCEL);
    ::SendMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(::GetDlgItem(popup, IDC_NOTE_TEXT), ::GetFocus());
}

TEST_F(PopupInputTest, TheNoteBoxRefusesThe401stByte) {
    HWND popup = OpenSendNote();
    HWND box = ::GetDlgItem(popup, IDC_NOTE_TEXT);
    ::SetWindowTextA(box, std::string(398, 'a').c_str());
    ::SendMessageA(box, EM_SETSEL, 398, 398);
    for (char c : std::string("bcd")) ::SendMessageA(box, WM_CHAR, c, 1);
    EXPECT_EQ(std::string(398, 'a') + "bc", ItemText(popup, IDC_NOTE_TEXT));
    EXPECT_EQ(0u, boxes.Count());
}

}  // namespace
}  // namespace hub
