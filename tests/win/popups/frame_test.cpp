// The pieces every popup is built from, on the real templates and bitmaps:
// bitmap buttons, the hand cursor, fonts, label colours, the countdown and
// the 400-byte writing box.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "countdown_label.h"
#include "text_conversion.h"
#include "limit_edit.h"
#include "popup_buttons.h"
#include "popup_look.h"
#include "dialog.h"
#include "popup_test_support.h"
#include "res/PopupBitmaps.h"
#include "res/resource.h"
#include "win_test_support.h"

namespace {

using popup_test::DrawnPixels;
using popup_test::BitmapPixels;

// A bare dialog on a popup template, with the frame pieces wired the way the
// popups wire them.
class CFrameHost : public CDialog {
public:
    explicit CFrameHost(UINT templateId) : CDialog(templateId) {}
    ~CFrameHost() override {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
    }
    PopupButtons buttons;
    PopupPalette palette;
    CLimitEdit edit;
    std::function<void(CFrameHost&)> onInit;

protected:
    BOOL OnInitDialog() override {
        if (onInit) onInit(*this);
        return TRUE;
    }
    LRESULT OnDrawItem(WPARAM w, LPARAM l) {
        LRESULT r = FALSE;
        buttons.OnDrawItem(w, l, &r);
        return r;
    }
    LRESULT OnCtlColor(WPARAM w, LPARAM l) {
        return reinterpret_cast<LRESULT>(palette.OnCtlColor(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l)));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFrameHost, CDialog)
    ON_MESSAGE(WM_DRAWITEM, &CFrameHost::OnDrawItem)
    ON_MESSAGE(WM_CTLCOLORSTATIC, &CFrameHost::OnCtlColor)
    ON_MESSAGE(WM_CTLCOLOREDIT, &CFrameHost::OnCtlColor)
END_MESSAGE_MAP()

SIZE WindowSize(HWND w) {
    RECT r{};
    ::GetWindowRect(w, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST(BitmapButton, TakesTheSizeOfItsImageAtItsTemplatePlace) {
    struct Case { UINT templateId; int item; UINT bitmap; LONG w, h; };
    const Case cases[] = {
        {IDD_SEND_NOTE, IDC_NOTE_SEND, IDB_BUTTON_SEND, 56, 28},
        {IDD_SEND_NOTE, IDC_NOTE_PROFILE, IDB_BUTTON_PROFILE, 98, 21},
        {IDD_READ_NOTE, IDC_NOTE_CHAT, IDB_BUTTON_CHAT, 75, 28},
        {IDD_INCOMING_CHAT_F, IDC_ACCEPT, IDB_BUTTON_ACCEPT, 56, 28},
        {IDD_POINTS_SHORT, IDOK, IDB_BUTTON_OK, 56, 28},
    };
    for (const Case& c : cases) {
        CFrameHost host(c.templateId);
        ASSERT_TRUE(host.Create(c.templateId));
        HWND item = ::GetDlgItem(host.m_hWnd, c.item);
        RECT before{};
        ::GetWindowRect(item, &before);
        ASSERT_TRUE(host.buttons.Add(host, c.item, c.bitmap));
        const SIZE size = WindowSize(item);
        EXPECT_EQ(c.w, size.cx) << c.bitmap;
        EXPECT_EQ(c.h, size.cy) << c.bitmap;
        RECT after{};
        ::GetWindowRect(item, &after);
        EXPECT_EQ(before.left, after.left) << "stays at its place";
        EXPECT_EQ(before.top, after.top);
        ASSERT_EQ(host.buttons.Rects().size(), 1u);
        EXPECT_EQ(after.left, host.buttons.Rects()[0].left);
        EXPECT_EQ(after.bottom, host.buttons.Rects()[0].bottom);
    }
}

TEST(BitmapButton, DrawsItsImageTheSameInEveryState) {
    CFrameHost host(IDD_SEND_NOTE);
    ASSERT_TRUE(host.Create(IDD_SEND_NOTE));
    ASSERT_TRUE(host.buttons.Add(host, IDC_NOTE_SEND, IDB_BUTTON_SEND));
    HWND button = ::GetDlgItem(host.m_hWnd, IDC_NOTE_SEND);
    const std::vector<COLORREF> image = BitmapPixels(IDB_BUTTON_SEND);
    ASSERT_EQ(image.size(), 56u * 28u);
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED), static_cast<UINT>(ODS_FOCUS),
                       static_cast<UINT>(ODS_DISABLED), static_cast<UINT>(ODS_SELECTED | ODS_FOCUS)}) {
        EXPECT_EQ(image, DrawnPixels(host.m_hWnd, button, 56, 28, state)) << state;
    }
}

TEST(BitmapButton, AnItemThatIsNotThereIsRefused) {
    CFrameHost host(IDD_SEND_NOTE);
    ASSERT_TRUE(host.Create(IDD_SEND_NOTE));
    EXPECT_FALSE(host.buttons.Add(host, 4242, IDB_BUTTON_SEND));
    ASSERT_TRUE(host.buttons.Add(host, IDC_NOTE_SEND, IDB_BUTTON_SEND));
    EXPECT_FALSE(host.buttons.Add(host, IDC_NOTE_SEND, IDB_BUTTON_SEND)) << "taken over twice";
    EXPECT_EQ(host.buttons.Rects().size(), 1u);
}

TEST(HandCursor, ButtonRectanglesAreKeptWithTheirEdges) {
    CFrameHost host(IDD_INCOMING_CHAT_F);
    ASSERT_TRUE(host.Create(IDD_INCOMING_CHAT_F));
    ::SetWindowPos(host.m_hWnd, HWND_TOPMOST, 16, 16, 0, 0, SWP_NOSIZE);
    ASSERT_TRUE(host.buttons.Add(host, IDC_ACCEPT, IDB_BUTTON_ACCEPT));
    ASSERT_TRUE(host.buttons.Add(host, IDCANCEL, IDB_BUTTON_CANCEL));
    const ScreenRect r = host.buttons.Rects()[0];
    EXPECT_TRUE(host.buttons.IsOverButton(POINT{r.left, r.top}));
    EXPECT_TRUE(host.buttons.IsOverButton(POINT{r.right, r.bottom}));
    EXPECT_FALSE(host.buttons.IsOverButton(POINT{r.left - 1, r.top}));
    EXPECT_FALSE(host.buttons.IsOverButton(POINT{r.left, r.bottom + 1}));
    const ScreenRect second = host.buttons.Rects()[1];
    EXPECT_TRUE(host.buttons.IsOverButton(POINT{(second.left + second.right) / 2, second.top + 3}));

}

TEST(PopupFonts, HeightFollowsThePlatform) {
    EXPECT_EQ(16, PopupFontHeightFor(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(12, PopupFontHeightFor(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(12, PopupFontHeightFor(VER_PLATFORM_WIN32s));
    EXPECT_EQ(12, PopupFontHeight()) << "an NT-family system";
}

TEST(PopupFonts, GulimCheRegularAndBold) {
    testing_support::MessageBoxRecorder boxes;
    CFont regular, bold;
    ASSERT_TRUE(CreatePopupFont(regular, 12, false));
    ASSERT_TRUE(CreatePopupFont(bold, 16, true));
    LOGFONTW lf{};
    ASSERT_TRUE(::GetObjectW(regular.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_STREQ(L"굴림체", lf.lfFaceName);
    EXPECT_EQ(12, lf.lfHeight);
    EXPECT_EQ(0, lf.lfWeight);
    EXPECT_EQ(0, lf.lfCharSet);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    ASSERT_TRUE(::GetObjectW(bold.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(16, lf.lfHeight);
    EXPECT_EQ(700, lf.lfWeight);
    EXPECT_EQ(0u, boxes.Count());
}

TEST(PopupFonts, ARefusedFontIsReportedAndTheItemKeepsItsDefaultFont) {
    testing_support::MessageBoxRecorder boxes;
    const PopupFontFactory previous =
        SetPopupFontFactory([](CFont&, int, int, const char*) { return FALSE; });
    CFont font;
    EXPECT_FALSE(CreatePopupFont(font, 12, true));
    SetPopupFontFactory(previous);
    EXPECT_EQ(nullptr, font.GetSafeHandle());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("CreateFont() Error", boxes.Boxes()[0].text);

    CFrameHost host(IDD_SEND_NOTE);
    ASSERT_TRUE(host.Create(IDD_SEND_NOTE));
    HWND label = ::GetDlgItem(host.m_hWnd, IDC_RECIPIENT);
    const LRESULT before = ::SendMessageA(label, WM_GETFONT, 0, 0);
    SetItemFont(host.m_hWnd, IDC_RECIPIENT, font);
    EXPECT_EQ(before, ::SendMessageA(label, WM_GETFONT, 0, 0));
}

TEST(LabelColours, EachStyleAnswersItsBrushAndColours) {
    CFrameHost host(IDD_READ_NOTE);
    host.onInit = [](CFrameHost& h) {
        h.palette.Set(IDC_SENDER, PopupPalette::Style::DetailsOverSkin);
        h.palette.Set(IDC_NOTE_BOX, PopupPalette::Style::ReceivedNote);
        h.palette.Set(IDC_REPLY_TEXT, PopupPalette::Style::OverSkin);
        h.palette.Set(IDC_FOCUS_HOLDER, PopupPalette::Style::Countdown);
    };
    ASSERT_TRUE(host.Create(IDD_READ_NOTE));
    HDC dc = ::CreateCompatibleDC(nullptr);
    auto ask = [&](int item, UINT msg) {
        ::SetBkMode(dc, OPAQUE);
        ::SetTextColor(dc, RGB(1, 2, 3));
        return reinterpret_cast<HBRUSH>(::SendMessageA(host.m_hWnd, msg, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(::GetDlgItem(host.m_hWnd, item))));
    };
    auto brushColour = [](HBRUSH b) {
        LOGBRUSH lb{};
        ::GetObjectA(b, sizeof lb, &lb);
        return lb;
    };

    EXPECT_EQ(::GetStockObject(HOLLOW_BRUSH), ask(IDC_SENDER, WM_CTLCOLORSTATIC));
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
    EXPECT_EQ(RGB(241, 101, 34), ::GetTextColor(dc));

    const LOGBRUSH note = brushColour(ask(IDC_NOTE_BOX, WM_CTLCOLORSTATIC));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), note.lbStyle);
    EXPECT_EQ(RGB(239, 230, 213), note.lbColor);
    EXPECT_EQ(RGB(241, 101, 34), ::GetTextColor(dc));

    EXPECT_EQ(::GetStockObject(HOLLOW_BRUSH), ask(IDC_REPLY_TEXT, WM_CTLCOLOREDIT));
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
    EXPECT_EQ(RGB(1, 2, 3), ::GetTextColor(dc)) << "over the skin in the default text colour";

    const LOGBRUSH countdown = brushColour(ask(IDC_FOCUS_HOLDER, WM_CTLCOLORSTATIC));
    EXPECT_EQ(RGB(242, 243, 227), countdown.lbColor);
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
    EXPECT_EQ(ask(IDC_FOCUS_HOLDER, WM_CTLCOLORSTATIC), ask(IDC_FOCUS_HOLDER, WM_CTLCOLORSTATIC))
        << "one brush per popup";

    ::SetBkMode(dc, OPAQUE);
    EXPECT_EQ(nullptr, host.palette.OnCtlColor(dc, ::GetDlgItem(host.m_hWnd, IDC_REPLY_SEND)))
        << "no style: the dialog's own colours";
    EXPECT_EQ(OPAQUE, ::GetBkMode(dc));
    ::DeleteDC(dc);
}

TEST(Countdown, LabelReadsNineteenToOneAndTheTwentiethTickEndsIt) {
    CFrameHost host(IDD_OUTGOING_CHAT_F);
    ASSERT_TRUE(host.Create(IDD_OUTGOING_CHAT_F));
    HWND w = host.m_hWnd;
    CountdownLabel countdown(3, IDC_OUTGOING_COUNTDOWN, 20);
    countdown.Start(w);
    EXPECT_EQ("20", popup_test::ItemText(w, IDC_OUTGOING_COUNTDOWN));
    for (int expected = 19; expected >= 1; --expected) {
        ASSERT_FALSE(countdown.Tick(w));
        EXPECT_EQ(std::to_string(expected), popup_test::ItemText(w, IDC_OUTGOING_COUNTDOWN));
    }
    EXPECT_TRUE(countdown.Tick(w));
    EXPECT_EQ("1", popup_test::ItemText(w, IDC_OUTGOING_COUNTDOWN)) << "the label is left as it was";
    EXPECT_FALSE(::KillTimer(w, 3)) << "the timer was stopped";
}

// The note boxes: typed characters reach the box as WM_CHAR, one UTF-16 unit
// each; the limit counts code page 949 bytes, whatever the system's code page.
class LimitEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.onInit = [](CFrameHost& h) { ASSERT_TRUE(h.edit.SubclassDlgItem(IDC_NOTE_TEXT, &h)); };
        ASSERT_TRUE(host.Create(IDD_SEND_NOTE));
        box = ::GetDlgItem(host.m_hWnd, IDC_NOTE_TEXT);
        ::SetFocus(box);
    }
    void Type(const std::string& utf8) {
        for (wchar_t unit : WideFromUtf8(utf8)) ::SendMessageW(box, WM_CHAR, unit, 1);
    }
    size_t Bytes() const { return KoreanBytesFromUtf8(popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT)).size(); }

    testing_support::MessageBoxRecorder boxes;
    CFrameHost host{IDD_SEND_NOTE};
    HWND box = nullptr;
};

TEST_F(LimitEditTest, FourHundredBytesAreTakenAndThe401stIsRefusedSilently) {
    Type(std::string(399, 'a'));
    EXPECT_EQ(399u, Bytes());
    Type("b");
    EXPECT_EQ(400u, Bytes());
    Type("c");
    EXPECT_EQ(400u, Bytes());
    EXPECT_EQ(std::string(399, 'a') + "b", popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT));
    EXPECT_EQ(0u, boxes.Count());
    // Backspace still works at the limit, and the freed byte can be typed again.
    Type("\b");
    EXPECT_EQ(399u, Bytes());
    Type("z");
    EXPECT_EQ(400u, Bytes());
}

TEST_F(LimitEditTest, TwoHundredKoreanCharactersFillTheBox) {
    std::string korean;
    for (int i = 0; i < 200; ++i) korean += "가";
    Type(korean);
    EXPECT_EQ(400u, Bytes());
    EXPECT_EQ(korean, popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT));
    Type("나");
    Type("x");
    EXPECT_EQ(korean, popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT));
}

TEST_F(LimitEditTest, KoreanCharactersFromAnImeCountTwoBytes) {
    Type(std::string(396, 'a'));
    ::SendMessageW(box, WM_IME_CHAR, L'한', 1);
    ::SendMessageW(box, WM_CHAR, L'글', 1);
    EXPECT_EQ(std::string(396, 'a') + "한글", popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT));
    ::SendMessageW(box, WM_IME_CHAR, L'만', 1);
    ::SendMessageW(box, WM_CHAR, L'세', 1);
    EXPECT_EQ(400u, Bytes());
}

TEST_F(LimitEditTest, ACharacterThatWouldPassTheLimitIsRefusedWhole) {
    Type(std::string(399, 'a'));
    Type("가");
    EXPECT_EQ(399u, Bytes()) << "no half character";
    Type("😀");  // a surrogate pair: neither half goes in alone
    EXPECT_EQ(std::string(399, 'a'), popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT));
    Type("b");
    EXPECT_EQ(400u, Bytes());
}

TEST_F(LimitEditTest, ANewLineNeedsTwoBytes) {
    Type(std::string(399, 'a'));
    Type("\r");
    EXPECT_EQ(399u, Bytes());
    Type("\b\r");
    EXPECT_EQ(400u, Bytes());
    EXPECT_EQ(std::string(398, 'a') + "\r\n", popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT));
}

TEST_F(LimitEditTest, TypingOverASelectionAndPastingStayWithinTheLimit) {
    Type(std::string(400, 'a'));
    ::SendMessageA(box, EM_SETSEL, 10, 12);
    Type("가");  // two bytes over two selected bytes
    EXPECT_EQ(400u, Bytes());
    ::SendMessageA(box, EM_SETSEL, 0, 1);
    Type("나");  // two bytes over one: one too many
    EXPECT_EQ(400u, Bytes());
    EXPECT_EQ('a', popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT)[0]);

    // A paste never takes the box past the limit, Korean text included
    // (whether it is cut or refused is the box's own business).
    for (const char* clip : {"0123456789", "가나다라마바사아자차"}) {
        ASSERT_TRUE(popup_test::SetClipboardText(clip));
        ::SendMessageA(box, EM_SETSEL, 0, 5);
        ::SendMessageA(box, WM_PASTE, 0, 0);
        EXPECT_LE(Bytes(), 400u) << clip;
        ::SendMessageA(box, EM_SETSEL, 0, -1);
        ::SendMessageA(box, WM_CLEAR, 0, 0);
        Type(std::string(395, 'a'));
        ::SendMessageA(box, EM_SETSEL, 395, 395);
        ::SendMessageA(box, WM_PASTE, 0, 0);
        EXPECT_LE(Bytes(), 400u) << clip;
        ::SendMessageA(box, EM_SETSEL, 0, -1);
        ::SendMessageA(box, WM_CLEAR, 0, 0);
        Type(std::string(400, 'a'));
    }
    ::SendMessageA(box, EM_SETSEL, 0, 10);
    ASSERT_TRUE(popup_test::SetClipboardText("0123456789"));
    ::SendMessageA(box, WM_PASTE, 0, 0);
    EXPECT_EQ("0123456789", popup_test::ItemText(host.m_hWnd, IDC_NOTE_TEXT).substr(0, 10)) << "a paste that fits";
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(LimitEditTest, TheProgramMayStillSetALongerText) {
    ::SetWindowTextW(box, std::wstring(500, L'q').c_str());
    EXPECT_EQ(500u, Bytes());
}

}  // namespace
