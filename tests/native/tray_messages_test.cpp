#include <gtest/gtest.h>

#include <cstring>

#include "tray_messages.h"

TEST(TrayMessages, NumbersOfTheContract) {
    EXPECT_EQ(0, std::strcmp(kTrayWindowTitle, "PvxTray"));
    EXPECT_EQ(1034u, WM_TRAY_ICON_NOTIFY);
    EXPECT_EQ(1036u, WM_POPUP_CLOSED);
    EXPECT_EQ(1038u, WM_TRAY_CLOSE_ASK);
    EXPECT_EQ(1039u, WM_TRAY_CLOSE);
    EXPECT_EQ(1040u, WM_TRAY_NOTE_ALL);
    EXPECT_EQ(1041u, WM_TRAY_CHAT_ALL);
    EXPECT_EQ(1042u, WM_TRAY_WATCH);
    EXPECT_EQ(0x8000u + 3, WM_SOCKET_EVENT);
    EXPECT_EQ(101u, COPYDATA_SEND_NOTE);
    EXPECT_EQ(102u, COPYDATA_CHAT_REQUEST);
    EXPECT_EQ(6, POPUP_POINTS_SHORT);
}

TEST(SocketEventRoute, EveryKnownCommand) {
    struct Row { uint16_t command; unsigned event; bool copy; };
    const Row rows[] = {
        {2001, 4001, true}, {2002, 4002, false}, {2007, 4003, true}, {2003, 4004, true},
        {2004, 4005, true}, {2005, 4006, true},  {2006, 4007, true}, {2010, 4008, true},
        {2011, 4009, true},
    };
    for (const Row& r : rows) {
        const SocketEventRoute route = RouteServerCommand(r.command);
        EXPECT_EQ(r.event, static_cast<unsigned>(route.event)) << r.command;
        EXPECT_EQ(r.copy, route.postsCopy) << r.command;
        EXPECT_FALSE(route.readFails) << r.command;
    }
}

TEST(SocketEventRoute, OtherCommandsEndTheReader) {
    for (uint16_t command : {2008, 2009, 2000, 2012, 0, 1001, 0xFFFF}) {
        const SocketEventRoute route = RouteServerCommand(command);
        EXPECT_EQ(EV_UNKNOWN_COMMAND, route.event) << command;
        EXPECT_EQ(4010u, static_cast<unsigned>(route.event));
        EXPECT_FALSE(route.postsCopy);
        EXPECT_TRUE(route.readFails);
    }
    EXPECT_EQ(4011u, static_cast<unsigned>(EV_CONNECTED));
    EXPECT_EQ(4444u, static_cast<unsigned>(EV_LINK_LOST));
}
