// Texts on any system code page: Notewell shows member texts whole in its
// windows, sends what is typed as UTF-8 and reads the controls' records in
// code page 949. The test run repeats these under an English (1252) and a
// UTF-8 (65001) system code page.
#include "hub_fixture.h"
#include "member_profiles.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/read_note_dlg.h"
#include "records.h"
#include "res/resource.h"
#include "text_conversion.h"
#include "tray_messages.h"

namespace hub {
namespace {

class UnicodeText : public HubTest {};

// The locale runs mean something only when wine gave the code page asked for.
TEST(SystemCodePage, IsTheOneTheRunAskedFor) {
    char lang[64] = {};
    ::GetEnvironmentVariableA("CORVALA_WINE_LANG", lang, sizeof lang);
    const std::string asked = lang;
    unsigned expected = 949;
    if (asked.rfind("en_US", 0) == 0) expected = 1252;
    if (asked.rfind("hi_IN", 0) == 0) expected = 65001;
    EXPECT_EQ(expected, ::GetACP());
}

TEST_F(UnicodeText, AReceivedNoteShowsEveryCharacterAndATypedReplyReachesTheServerAsUtf8) {
    OpenConnected();
    MemberProfile bob = Member("bob", 'M', u8"빛나😀");
    bob.age = 25;
    Feed(CMD_NOTE, KIND_SERVER, devserver::BuildReceivedNote(bob, u8"안녕 ñ 中 😀"));
    ASSERT_EQ(dlg->readNotes.size(), 1u);
    HWND note = dlg->readNotes[0]->GetSafeHwnd();
    EXPECT_EQ(ItemText(note, IDC_NOTE_BOX), u8"안녕 ñ 中 😀");
    EXPECT_EQ(ItemText(note, IDC_SENDER), u8"빛나😀(25/남)");

    // Typed as a keyboard or an IME hands it over: UTF-16 units.
    HWND reply = ::GetDlgItem(note, IDC_REPLY_TEXT);
    for (wchar_t unit : WideFromUtf8(u8"고마워요 😀")) ::SendMessageW(reply, WM_CHAR, unit, 1);
    Mark();
    Click(note, IDC_REPLY_SEND);
    ASSERT_TRUE(WaitSent(CMD_NOTE, 1));
    devserver::NoteBody sent;
    ASSERT_TRUE(devserver::ParseNote(Sent(CMD_NOTE)[0].body, &sent));
    EXPECT_EQ(sent.recipient, "bob");
    EXPECT_EQ(sent.text, u8"고마워요 😀");
}

TEST_F(UnicodeText, AControlsRecordIsReadInCodePage949) {
    OpenConnected("me/pw/M/sess/127.0.0.1");
    const ChatTargetInfo record =
        PackChatTargetInfo(KoreanBytesFromUtf8(u8"mina/미나/F/25/디자이너/서울/5/77/안녕&하세요/3"));
    ASSERT_EQ(record.Nickname(), "\xB9\xCC\xB3\xAA");  // 미나 in code page 949, as the controls send it
    COPYDATASTRUCT cds{COPYDATA_CHAT_REQUEST, sizeof record, const_cast<ChatTargetInfo*>(&record)};
    ::SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    Feed(CMD_CHAT_CHECK, KIND_ANSWER, devserver::BuildResultForMember('S', "mina", ""));
    ASSERT_NE(dlg->popups.outgoingChat, nullptr);
    HWND popup = dlg->popups.outgoingChat->GetSafeHwnd();
    EXPECT_NE(ItemText(popup, IDC_MEMBER_TITLE).find(u8"미나(mina"), std::string::npos);
    EXPECT_EQ(ItemText(popup, IDC_CARD_REGION), u8"서울");
    EXPECT_EQ(ItemText(popup, IDC_CARD_TOPIC), u8"안녕&&하세요");  // the static shows 안녕&하세요
}

}  // namespace
}  // namespace hub
