#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fields.h"
#include "result_text.h"

// The tests are compiled with the library's execution character set, so these
// literals are the same bytes as the library's texts.
namespace {
const std::string kFallback = "알수없는 오류입니다. 다시 시도해주세요";
std::string Text(const char* code) { return ResultText(code); }
std::string RText(const char* code) { return ResultTextRosterly(code); }
}  // namespace

TEST(ResultText, EveryNotewellCode) {
    EXPECT_EQ("상대방이 로그아웃 상태여서 대화신청을 하실 수 없습니다.", Text("NO_SUCH_USER"));
    EXPECT_EQ("상대방이 로그아웃 상태여서 쪽지 보내기를 할 수 없습니다.", Text("BLOCKED_USER"));
    EXPECT_EQ("상대방이 채팅 중 수신거부 상태여서 쪽지를 보낼 수 없습니다.", Text("CHAT_MEMO_BLOCK"));
    EXPECT_EQ("포인트가 부족해서 쪽지를 보낼 수 없습니다. 포인트를 충전해 주세요.", Text("SHORT_CASH"));
    EXPECT_EQ("로그인 상태가 아닙니다. 로그아웃 후 다시 로그인 하신 후 시도해 주세요.", Text("NOT_LOG_IN"));
    EXPECT_EQ("1:1 채팅 신청이 취소되었습니다.", Text("CANCELED"));
    EXPECT_EQ("상대방이 이미 대화중이므로 대화신청을 하실 수 없습니다.", Text("ALREADYCHATTING"));
    EXPECT_EQ("죄송합니다. 잠시 후 다시 시도해 주세요.", Text("SENDING_FAIL"));
    EXPECT_EQ("상대방이 포인트가 부족하여 1:1채팅을 할 수 없습니다.", Text("SHORT_CASH_MSG1"));
    EXPECT_EQ("포인트가 부족하여 1:1 채팅을 할 수 없습니다. 포인트 충전 후 이용해 주시기 바랍니다.",
              Text("SHORT_CASH_MSG2"));
    EXPECT_EQ("현재 쪽지 수신 가능 상태인 남성회원이 없어 전체 쪽지를 보낼 수 없습니다.", Text("NO_USER_MSG"));
    EXPECT_EQ("현재 채팅가능한 남성회원이 없어 전체 대화 신청을 할 수 없습니다.", Text("NO_USER_CHAT"));
    EXPECT_EQ("채팅 중에는 채팅 신청을 할 수 없습니다.", Text("ALREADYCHAT2"));
    EXPECT_EQ("1:1 채팅 신청을 할 수 없습니다.", Text("SEX_SAMENESS"));
    EXPECT_EQ("상대방이 로그아웃 상태여서 대화신청을 하실 수 없습니다.", Text("CHAT_BLOCK_USER"));
    EXPECT_EQ("관리자에게는 1:1 채팅 신청을 할 수 없습니다.", Text("FAIL_TO_ADMIN"));
    EXPECT_EQ("상대방이 로그아웃 상태여서 쪽지 보내기를 할 수 없습니다.", Text("NO_SUCH_USER_M"));
}

TEST(ResultText, TextsAreUtf8) {
    // "알" is EC 95 8C in UTF-8 (0xBE 0xCB in code page 949).
    const std::string fallback = ResultFallbackText();
    ASSERT_GE(fallback.size(), 3u);
    EXPECT_EQ('\xEC', fallback[0]);
    EXPECT_EQ('\x95', fallback[1]);
    EXPECT_EQ('\x8C', fallback[2]);
    EXPECT_EQ(kFallback, fallback);
}

TEST(ResultText, WholeCodesOnly) {
    // NO_SUCH_USER_M is not taken for NO_SUCH_USER (nor the reverse).
    EXPECT_NE(Text("NO_SUCH_USER"), Text("NO_SUCH_USER_M"));
    EXPECT_EQ(Text("BLOCKED_USER"), Text("NO_SUCH_USER_M"));
    EXPECT_EQ(kFallback, Text("NO_SUCH_USE"));
    EXPECT_EQ(kFallback, Text("NO_SUCH_USER_"));
    EXPECT_EQ(kFallback, Text("SHORT_CASH_MSG3"));
    EXPECT_EQ(kFallback, Text("CANCELED "));
    EXPECT_EQ(kFallback, Text(" CANCELED"));
}

TEST(ResultText, CaseSensitive) {
    EXPECT_EQ(kFallback, Text("no_such_user"));
    EXPECT_EQ(kFallback, Text("Canceled"));
}

TEST(ResultText, EmptyCodeFallsBack) {
    EXPECT_EQ(kFallback, Text(""));
    EXPECT_EQ(kFallback, ResultText(std::string_view()));
}

TEST(ResultText, CodeEndsAtItsFirstZero) {
    EXPECT_EQ(Text("CANCELED"), ResultText(std::string_view("CANCELED\0XYZ", 12)));
}

TEST(ResultText, FromTheSixteenByteField) {
    uint8_t field[16];
    PutText(field, 16, "SENDING_FAIL");
    EXPECT_EQ(Text("SENDING_FAIL"), std::string(ResultTextFromField(field)));
    std::memset(field, 0, 16);
    EXPECT_EQ(kFallback, std::string(ResultTextFromField(field)));
    // A field with no terminator is read as 16 bytes and nothing beyond.
    std::memset(field, 'A', 16);
    EXPECT_EQ(kFallback, std::string(ResultTextFromField(field)));
    EXPECT_EQ(kFallback, std::string(ResultTextFromField(nullptr)));
    PutText(field, 16, "NO_USER_CHAT");
    EXPECT_EQ("현재 대기중인 남성회원이 없어 전체 대화 신청을 할 수 없습니다.",
              std::string(ResultTextFromField(field, ResultTable::Rosterly)));
}

TEST(ResultTextRosterly, ItsOwnTexts) {
    EXPECT_EQ("쪽지보내기를 할 수 없습니다.", RText("BLOCKED_USER"));
    EXPECT_EQ("현재 대기중인 남성회원이 없어 전체 대화 신청을 할 수 없습니다.", RText("NO_USER_CHAT"));
    EXPECT_EQ("1:1 채팅 신청을 할 수 없습니다.", RText("CHAT_BLOCK_USER"));
}

TEST(ResultTextRosterly, NoSuchUserMFallsBack) {
    EXPECT_EQ(kFallback, RText("NO_SUCH_USER_M"));
    EXPECT_EQ("알수없는 오류입니다. 다시 시도해주세요", RText("NO_SUCH_USER_M"));
}

TEST(ResultTextRosterly, SharedTextsAreNotewells) {
    for (const char* code : {"NO_SUCH_USER", "CHAT_MEMO_BLOCK", "SHORT_CASH", "NOT_LOG_IN", "CANCELED",
                             "ALREADYCHATTING", "SENDING_FAIL", "SHORT_CASH_MSG1", "SHORT_CASH_MSG2",
                             "NO_USER_MSG", "ALREADYCHAT2", "SEX_SAMENESS", "FAIL_TO_ADMIN"}) {
        EXPECT_EQ(Text(code), RText(code)) << code;
    }
    EXPECT_EQ(kFallback, RText("no_such_user"));
    EXPECT_EQ(kFallback, RText(""));
}
