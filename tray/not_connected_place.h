// The number shown before the not-connected text names the place that tried to send.
#pragma once

enum NotConnectedPlace {
    PLACE_LOGIN = 1,
    PLACE_LOGIN_REFUSED = 2,
    PLACE_KEEPALIVE = 3,
    PLACE_NOTE = 4,
    PLACE_CHAT_REQUEST = 5,
    PLACE_ANSWER = 6,
    PLACE_CHAT_CONTROL = 7,
    PLACE_NO_CHAT_SERVER = 8,
    PLACE_LOGOUT = 9,
    PLACE_CHAT_CHECK = 10,
    PLACE_SERVER_ERROR = 11,
};
