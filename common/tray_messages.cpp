#include "tray_messages.h"

SocketEventRoute RouteServerCommand(uint16_t command) {
    switch (command) {
        case 2001: return {EV_LOGIN_ANSWER, true, false};
        case 2002: return {EV_KEEPALIVE_ANSWER, false, false};
        case 2007: return {EV_NOTE, true, false};
        case 2003: return {EV_CHAT_REQUEST, true, false};
        case 2004: return {EV_CHAT_REQUEST_2004, true, false};
        case 2005: return {EV_CHAT_ANSWER, true, false};
        case 2006: return {EV_CHAT_DECISION, true, false};
        case 2010: return {EV_SESSION_END, true, false};
        case 2011: return {EV_CHAT_CHECK, true, false};
        default: return {EV_UNKNOWN_COMMAND, false, true};
    }
}
