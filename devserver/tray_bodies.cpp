#include "tray_bodies.h"

#include "fields.h"

namespace devserver {

bool ParseLogin(const Bytes& b, LoginBody* out) {
    if (b.size() < 90) return false;
    out->id = GetText(&b[0], 13);
    out->password = GetText(&b[13], 32);
    out->webcam = static_cast<char>(b[45]);
    out->sessionId = GetText(&b[46], 32);
    out->version = GetText(&b[78], 12);
    return true;
}

bool ParseKeepAlive(const Bytes& b, KeepAliveBody* out) {
    if (b.size() < 4) return false;
    out->clientTime = GetU32BE(&b[0]);
    return true;
}

bool ParseTarget(const Bytes& b, TargetBody* out) {
    if (b.size() < kIdWidth) return false;
    out->id = GetText(&b[0], kIdWidth);
    return true;
}

bool ParseAnswer(const Bytes& b, AnswerBody* out) {
    if (b.size() < 34) return false;
    out->code = static_cast<char>(b[0]);
    out->askerId = GetText(&b[1], 13);
    out->nickname = GetText(&b[14], 19);
    out->flag = static_cast<char>(b[33]);
    return true;
}

bool ParseControl(const Bytes& b, ControlBody* out) {
    if (b.size() < 14) return false;
    out->id = GetText(&b[0], 13);
    out->code = static_cast<char>(b[13]);
    return true;
}

bool ParseNote(const Bytes& b, NoteBody* out) {
    if (b.size() < 15) return false;
    out->recipient = GetText(&b[0], 13);
    out->declaredLength = GetU16BE(&b[13]);
    if (out->declaredLength > b.size() - 15) return false;
    out->text.assign(reinterpret_cast<const char*>(&b[15]), out->declaredLength);
    return true;
}

Bytes BuildLoginAnswer(char result) { return Bytes{static_cast<uint8_t>(result)}; }
Bytes BuildSessionEnd(char reason) { return Bytes{static_cast<uint8_t>(reason)}; }

Bytes BuildChatAnswerEvent(char result, char answer, const std::string& memberId, const std::string& code,
                           char cancelFlag) {
    Bytes r(32, 0);
    r[0] = static_cast<uint8_t>(result);
    r[1] = static_cast<uint8_t>(answer);
    PutText(&r[2], 13, memberId);
    PutTextTerminated(&r[15], 16, code);
    r[31] = static_cast<uint8_t>(cancelFlag);
    return r;
}

Bytes BuildAnswerResult(char result, char code, const std::string& memberId, const std::string& resultCode) {
    Bytes r(31, 0);
    r[0] = static_cast<uint8_t>(result);
    r[1] = static_cast<uint8_t>(code);
    PutText(&r[2], 13, memberId);
    PutTextTerminated(&r[15], 16, resultCode);
    return r;
}

Bytes BuildChatDecision(const std::string& memberId, char decision, const std::string& chatKey,
                        const std::string& chatServer, const std::string& code) {
    Bytes r(78, 0);
    PutText(&r[0], 13, memberId);
    r[13] = static_cast<uint8_t>(decision);
    PutText(&r[14], 32, chatKey);
    PutText(&r[46], 16, chatServer);
    PutTextTerminated(&r[62], 16, code);
    return r;
}

Bytes BuildResultForMember(char result, const std::string& memberId, const std::string& code) {
    Bytes r(30, 0);
    r[0] = static_cast<uint8_t>(result);
    PutText(&r[1], 13, memberId);
    PutTextTerminated(&r[14], 16, code);
    return r;
}

}  // namespace devserver
