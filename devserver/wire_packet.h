// A packet as the development server handles it, the command numbers of both
// server ports, and the framing of outgoing packets.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace devserver {

using Bytes = std::vector<uint8_t>;

// Which port a session came in on: the tray client's or the member list's.
enum class Channel { Tray, List };

struct WirePacket {
    uint16_t command = 0;
    uint16_t kind = 0;
    Bytes body;
};

// Tray client commands (port 5210).
enum TrayCommand : uint16_t {
    CMD_LOGIN = 2001,
    CMD_KEEPALIVE = 2002,
    CMD_CHAT_REQUEST = 2003,
    CMD_CHAT_REQUEST_ALL = 2004,
    CMD_CHAT_ANSWER = 2005,
    CMD_CHAT_CONTROL = 2006,
    CMD_NOTE = 2007,
    CMD_LOGOUT = 2008,
    CMD_UNUSED_2009 = 2009,
    CMD_SESSION_END = 2010,
    CMD_CHAT_CHECK = 2011,
};

// Member list commands (port 5200).
enum ListCommand : uint16_t {
    LIST_LOGIN = 1001,
    LIST_TIME = 1002,
    LIST_MEMBERS = 1003,
    LIST_RELATION = 1004,
    LIST_DROP = 1005,
};

// Header and body as they go on the wire. The body is cut at 65535 bytes only
// because the length field cannot say more; callers keep real packets small.
Bytes FramePacket(uint16_t command, uint16_t kind, const Bytes& body);

// "LOGIN", "NOTE", ... or "CMD<n>" for numbers the channel does not know.
std::string CommandName(Channel channel, uint16_t command);

}  // namespace devserver
