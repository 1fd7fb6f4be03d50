// The popups as the main window opens them from real packets and requests,
// on a real main window connected to the development server.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "text_conversion.h"
#include "bodies.h"
#include "hub_fixture.h"
#include "member_profiles.h"
#include "popups/chat_notice_dlg.h"
#include "popups/group_chat_dlg.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/note_to_all_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/points_short_dlg.h"
#include "popups/read_note_dlg.h"
#include "popups/send_note_dlg.h"
#include "res/PopupBitmaps.h"

namespace hub {

struct ButtonLook {
    int item;
    LONG width, height;
};

struct PopupLookCase {
    const char* name;
    std::function<HWND(class PopupTest&)> open;
    UINT skin;  // 0: none
    LONG skinWidth, skinHeight;
    std::vector<ButtonLook> buttons;
};

class PopupTest : public HubTest {
public:
    void SetUp() override {
        HubTest::SetUp();
        OpenConnected("me/pw/M/sess/127.0.0.1");
    }
    HWND OpenOutgoing(const std::string& text) {
        const ChatTargetInfo record = PackChatTargetInfo(KoreanBytesFromUtf8(text));  // as the controls pack it
        COPYDATASTRUCT cds{COPYDATA_CHAT_REQUEST, sizeof record, const_cast<ChatTargetInfo*>(&record)};
        ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', record.MemberId(), ""));
        return dlg->popups.outgoingChat ? dlg->popups.outgoingChat->GetSafeHwnd() : nullptr;
    }
    HWND OpenGroup() {
        ::SendMessageA(window, WM_TRAY_CHAT_ALL, 0, 0);
        Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "ALL", ""));
        return dlg->popups.groupChat ? dlg->popups.groupChat->GetSafeHwnd() : nullptr;
    }
    HWND OpenIncoming(const MemberProfile& asker, char flag = 'S') {
        Feed(CMD_CHAT_REQUEST, KIND_SERVER, IncomingRequestBody(asker, flag));
        if (flag != 'S') return dlg->popups.pointsShort.back().second->GetSafeHwnd();
        return dlg->popups.incomingRequests.back().popup->GetSafeHwnd();
    }
    HWND OpenReadNote(const MemberProfile& from, const std::string& text = "hi") {
        Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(from, text));
        return dlg->readNotes.back()->GetSafeHwnd();
    }
    HWND OpenSendNote(const std::string& text) {
        const NoteTargetInfo record = PackNoteTargetInfo(KoreanBytesFromUtf8(text));  // as the controls pack it
        COPYDATASTRUCT cds{COPYDATA_SEND_NOTE, sizeof record, const_cast<NoteTargetInfo*>(&record)};
        ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        return dlg->popups.sendNote->GetSafeHwnd();
    }
    HWND OpenNoteToAll() {
        ::SendMessageA(window, WM_TRAY_NOTE_ALL, 0, 0);
        return dlg->popups.noteToAll->GetSafeHwnd();
    }
    // Ends a popup opened by one of the cases, so that the next may open.
    static void Dismiss(HWND popup) {
        if (!::IsWindow(popup)) return;
        const int button = ::GetDlgItem(popup, IDC_NOTICE_OK) ? IDC_NOTICE_OK : IDCANCEL;
        ::SendMessageA(popup, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    HWND OpenNotice() {
        Feed(CMD_CHAT_CONTROL, KIND_SERVER, DecisionBody("bob", 'C', "0.0.0.0", "CANCELED"));
        return dlg->popups.notices.back().popup->GetSafeHwnd();
    }
    // The popup's font on an item, as the item reports it.
    static LOGFONTW ItemFont(HWND popup, int item) {
        LOGFONTW lf{};
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendDlgItemMessageA(popup, item, WM_GETFONT, 0, 0));
        if (font) ::GetObjectW(font, sizeof lf, &lf);
        return lf;
    }
    struct Colours {
        HBRUSH brush;
        int bkMode;
        COLORREF text;
    };
    static Colours ItemColours(HWND popup, int item, UINT msg = WM_CTLCOLORSTATIC) {
        HDC dc = ::CreateCompatibleDC(nullptr);
        ::SetBkMode(dc, OPAQUE);
        ::SetTextColor(dc, RGB(1, 2, 3));
        Colours c{};
        c.brush = reinterpret_cast<HBRUSH>(::SendMessageA(popup, msg, reinterpret_cast<WPARAM>(dc),
                                                          reinterpret_cast<LPARAM>(::GetDlgItem(popup, item))));
        c.bkMode = ::GetBkMode(dc);
        c.text = ::GetTextColor(dc);
        ::DeleteDC(dc);
        return c;
    }
    static COLORREF BrushColour(HBRUSH brush) {
        LOGBRUSH lb{};
        ::GetObjectA(brush, sizeof lb, &lb);
        return lb.lbColor;
    }
};

struct DismissAtEnd {
    HWND popup;
    ~DismissAtEnd() { PopupTest::Dismiss(popup); }
};

inline MemberProfile Mina() {
    MemberProfile m = Member("mina", 'F', u8"미나&친구");
    m.age = 25;
    m.occupation = u8"디자이너";
    m.region = u8"서울";
    m.topic = u8"영화 & 음악";
    m.taste = 6;
    m.popularity = "77";
    return m;
}

inline MemberProfile Tom() {
    MemberProfile m = Member("tom", 'M', "Tom&Jerry");
    m.age = 31;
    m.points = 12500;
    m.occupation = "chef";
    return m;
}

inline std::vector<PopupLookCase> Cases() {
    const ButtonLook cancel{IDCANCEL, 56, 28}, profile98{0, 98, 21};
    auto profile = [&](int item) { return ButtonLook{item, profile98.width, profile98.height}; };
    return {
        {"send note 130", [](PopupTest& t) { return t.OpenSendNote("amy/Amy/F/22"); }, IDB_SKIN_SEND_NOTE, 386,
         269, {{IDC_NOTE_SEND, 56, 28}, cancel, profile(IDC_NOTE_PROFILE)}},
        {"note to all 147", [](PopupTest& t) { return t.OpenNoteToAll(); }, IDB_SKIN_NOTE_TO_ALL, 386, 269,
         {{IDC_NOTE_ALL_SEND, 56, 28}, cancel}},
        {"read note 131", [](PopupTest& t) { return t.OpenReadNote(Tom()); }, IDB_SKIN_READ_NOTE, 386, 372,
         {{IDC_NOTE_CHAT, 75, 28}, profile(IDC_NOTE_PROFILE), {IDC_REPLY_SEND, 56, 28}, cancel}},
        {"outgoing 132", [](PopupTest& t) { return t.OpenOutgoing("mina/Mina/F/25/designer/Seoul/5/77/hi/3"); },
         IDB_SKIN_OUTGOING_F, 300, 269, {cancel, profile(IDC_OUTGOING_PROFILE)}},
        {"outgoing 159", [](PopupTest& t) { return t.OpenOutgoing("tom/Tom/M/31/chef/Busan/9/12/hey/12500"); },
         IDB_SKIN_OUTGOING_M, 300, 269, {cancel, profile(IDC_OUTGOING_PROFILE)}},
        {"incoming 133", [](PopupTest& t) { return t.OpenIncoming(Mina()); }, IDB_SKIN_INCOMING_F, 300, 269,
         {{IDC_ACCEPT, 56, 28}, cancel, profile(IDC_INCOMING_PROFILE)}},
        {"incoming 160", [](PopupTest& t) { return t.OpenIncoming(Tom()); }, IDB_SKIN_INCOMING_M, 300, 269,
         {{IDC_ACCEPT, 56, 28}, cancel, profile(IDC_INCOMING_PROFILE)}},
        {"group 143", [](PopupTest& t) { return t.OpenGroup(); }, IDB_SKIN_GROUP_CHAT, 300, 269, {cancel}},
        {"points short 154", [](PopupTest& t) { return t.OpenIncoming(Tom(), 'N'); }, IDB_SKIN_POINTS_SHORT, 300,
         269, {{IDOK, 56, 28}, profile(IDC_POINTS_PROFILE)}},
        {"notice 153", [](PopupTest& t) { return t.OpenNotice(); }, 0, 0, 0, {}},
    };
}


}  // namespace hub
