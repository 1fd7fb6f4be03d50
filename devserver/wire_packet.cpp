#include "wire_packet.h"

#include "packet.h"

namespace devserver {

Bytes FramePacket(uint16_t command, uint16_t kind, const Bytes& body) {
    const size_t length = body.size() > 0xFFFF ? 0xFFFF : body.size();
    Bytes out(kHeaderSize + length);
    BuildHeader(out.data(), static_cast<uint16_t>(length), command, kind);
    std::copy(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length), out.begin() + kHeaderSize);
    return out;
}

std::string CommandName(Channel channel, uint16_t command) {
    if (channel == Channel::Tray) {
        switch (command) {
            case CMD_LOGIN: return "LOGIN";
            case CMD_KEEPALIVE: return "KEEPALIVE";
            case CMD_CHAT_REQUEST: return "CHAT_REQUEST";
            case CMD_CHAT_REQUEST_ALL: return "CHAT_REQUEST_ALL";
            case CMD_CHAT_ANSWER: return "CHAT_ANSWER";
            case CMD_CHAT_CONTROL: return "CHAT_CONTROL";
            case CMD_NOTE: return "NOTE";
            case CMD_LOGOUT: return "LOGOUT";
            case CMD_SESSION_END: return "SESSION_END";
            case CMD_CHAT_CHECK: return "CHAT_CHECK";
            default: break;
        }
    } else {
        switch (command) {
            case LIST_LOGIN: return "LIST_LOGIN";
            case LIST_TIME: return "LIST_TIME";
            case LIST_MEMBERS: return "LIST_MEMBERS";
            case LIST_RELATION: return "LIST_RELATION";
            case LIST_DROP: return "LIST_DROP";
            default: break;
        }
    }
    return "CMD" + std::to_string(command);
}

}  // namespace devserver
