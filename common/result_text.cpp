#include "result_text.h"

#include "fields.h"
#include "text_split.h"

namespace {

struct Entry {
    const char* code;
    const char* text;
};

constexpr const char kFallback[] = "알수없는 오류입니다. 다시 시도해주세요";

// Notewell's table, in the order of comparison.
constexpr Entry kNotewell[] = {
    {"NO_SUCH_USER", "상대방이 로그아웃 상태여서 대화신청을 하실 수 없습니다."},
    {"BLOCKED_USER", "상대방이 로그아웃 상태여서 쪽지 보내기를 할 수 없습니다."},
    {"CHAT_MEMO_BLOCK", "상대방이 채팅 중 수신거부 상태여서 쪽지를 보낼 수 없습니다."},
    {"SHORT_CASH", "포인트가 부족해서 쪽지를 보낼 수 없습니다. 포인트를 충전해 주세요."},
    {"NOT_LOG_IN", "로그인 상태가 아닙니다. 로그아웃 후 다시 로그인 하신 후 시도해 주세요."},
    {"CANCELED", "1:1 채팅 신청이 취소되었습니다."},
    {"ALREADYCHATTING", "상대방이 이미 대화중이므로 대화신청을 하실 수 없습니다."},
    {"SENDING_FAIL", "죄송합니다. 잠시 후 다시 시도해 주세요."},
    {"SHORT_CASH_MSG1", "상대방이 포인트가 부족하여 1:1채팅을 할 수 없습니다."},
    {"SHORT_CASH_MSG2", "포인트가 부족하여 1:1 채팅을 할 수 없습니다. 포인트 충전 후 이용해 주시기 바랍니다."},
    {"NO_USER_MSG", "현재 쪽지 수신 가능 상태인 남성회원이 없어 전체 쪽지를 보낼 수 없습니다."},
    {"NO_USER_CHAT", "현재 채팅가능한 남성회원이 없어 전체 대화 신청을 할 수 없습니다."},
    {"ALREADYCHAT2", "채팅 중에는 채팅 신청을 할 수 없습니다."},
    {"SEX_SAMENESS", "1:1 채팅 신청을 할 수 없습니다."},
    {"CHAT_BLOCK_USER", "상대방이 로그아웃 상태여서 대화신청을 하실 수 없습니다."},
    {"FAIL_TO_ADMIN", "관리자에게는 1:1 채팅 신청을 할 수 없습니다."},
    {"NO_SUCH_USER_M", "상대방이 로그아웃 상태여서 쪽지 보내기를 할 수 없습니다."},
};

// Rosterly's table: same order and texts except BLOCKED_USER, NO_USER_CHAT and
// CHAT_BLOCK_USER; NO_SUCH_USER_M is not in it.
constexpr Entry kRosterly[] = {
    {"NO_SUCH_USER", "상대방이 로그아웃 상태여서 대화신청을 하실 수 없습니다."},
    {"BLOCKED_USER", "쪽지보내기를 할 수 없습니다."},
    {"CHAT_MEMO_BLOCK", "상대방이 채팅 중 수신거부 상태여서 쪽지를 보낼 수 없습니다."},
    {"SHORT_CASH", "포인트가 부족해서 쪽지를 보낼 수 없습니다. 포인트를 충전해 주세요."},
    {"NOT_LOG_IN", "로그인 상태가 아닙니다. 로그아웃 후 다시 로그인 하신 후 시도해 주세요."},
    {"CANCELED", "1:1 채팅 신청이 취소되었습니다."},
    {"ALREADYCHATTING", "상대방이 이미 대화중이므로 대화신청을 하실 수 없습니다."},
    {"SENDING_FAIL", "죄송합니다. 잠시 후 다시 시도해 주세요."},
    {"SHORT_CASH_MSG1", "상대방이 포인트가 부족하여 1:1채팅을 할 수 없습니다."},
    {"SHORT_CASH_MSG2", "포인트가 부족하여 1:1 채팅을 할 수 없습니다. 포인트 충전 후 이용해 주시기 바랍니다."},
    {"NO_USER_MSG", "현재 쪽지 수신 가능 상태인 남성회원이 없어 전체 쪽지를 보낼 수 없습니다."},
    {"NO_USER_CHAT", "현재 대기중인 남성회원이 없어 전체 대화 신청을 할 수 없습니다."},
    {"ALREADYCHAT2", "채팅 중에는 채팅 신청을 할 수 없습니다."},
    {"SEX_SAMENESS", "1:1 채팅 신청을 할 수 없습니다."},
    {"CHAT_BLOCK_USER", "1:1 채팅 신청을 할 수 없습니다."},
    {"FAIL_TO_ADMIN", "관리자에게는 1:1 채팅 신청을 할 수 없습니다."},
};

template <size_t N>
const char* Lookup(const Entry (&table)[N], std::string_view code) {
    for (const Entry& e : table) {
        if (code == e.code) return e.text;
    }
    return kFallback;
}

}  // namespace

const char* ResultText(std::string_view code, ResultTable table) {
    code = CStringPart(code);
    return table == ResultTable::Rosterly ? Lookup(kRosterly, code) : Lookup(kNotewell, code);
}

const char* ResultTextFromField(const uint8_t* field16, ResultTable table) {
    if (field16 == nullptr) return kFallback;
    return ResultText(GetText(field16, 16), table);
}

const char* ResultFallbackText() { return kFallback; }
