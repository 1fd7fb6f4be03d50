// Bodies of the tray client protocol (port 5210) as the server side sees them:
// parsers for what clients send, builders for what the server answers.
// Parsers never read past the body and fail on a body that is too short.
#pragma once
#include <cstdint>
#include <string>

#include "wire_packet.h"

namespace devserver {

constexpr size_t kIdWidth = 13;
constexpr size_t kCodeWidth = 16;

struct LoginBody {
    std::string id, password, sessionId, version;
    char webcam = 0;
};
struct KeepAliveBody {
    uint32_t clientTime = 0;
};
struct TargetBody {  // 2003 chat request, 2008 logout, 2011 chat check
    std::string id;
};
struct AnswerBody {  // 2005 from the asked member
    char code = 0;
    std::string askerId, nickname;
    char flag = 0;
};
struct ControlBody {  // 2006 from the asking member
    std::string id;
    char code = 0;
};
struct NoteBody {  // 2007 from the sender
    std::string recipient;
    std::string text;
    uint16_t declaredLength = 0;
};

bool ParseLogin(const Bytes& body, LoginBody* out);
bool ParseKeepAlive(const Bytes& body, KeepAliveBody* out);
bool ParseTarget(const Bytes& body, TargetBody* out);
bool ParseAnswer(const Bytes& body, AnswerBody* out);
bool ParseControl(const Bytes& body, ControlBody* out);
// Fails when the declared text length reaches past the body.
bool ParseNote(const Bytes& body, NoteBody* out);

Bytes BuildLoginAnswer(char result);
Bytes BuildSessionEnd(char reason);
// 2003/2004 kind 2: the asked member's answer, or the server's refusal, for the asker.
Bytes BuildChatAnswerEvent(char result, char answer, const std::string& memberId, const std::string& code,
                           char cancelFlag);
// 2005: result of the asked member's answer.
Bytes BuildAnswerResult(char result, char code, const std::string& memberId, const std::string& resultCode);
// 2006: the chat decision.
Bytes BuildChatDecision(const std::string& memberId, char decision, const std::string& chatKey,
                        const std::string& chatServer, const std::string& code);
// 2007 kind 2 and 2011: result, member id, result code (30 bytes).
Bytes BuildResultForMember(char result, const std::string& memberId, const std::string& code);

}  // namespace devserver
