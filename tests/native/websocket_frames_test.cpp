#include <gtest/gtest.h>

#include "utf8_validation.h"
#include "websocket_frames.h"

namespace {

// A client frame as a browser makes it: masked, lengths in their shortest form.
std::string ClientFrameBytes(uint8_t first, std::string_view payload, bool masked = true) {
    std::string f(1, static_cast<char>(first));
    const uint8_t maskBit = masked ? 0x80 : 0;
    const size_t n = payload.size();
    if (n < 126) {
        f += static_cast<char>(maskBit | n);
    } else if (n <= 0xFFFF) {
        f += static_cast<char>(maskBit | 126);
        f += static_cast<char>(n >> 8);
        f += static_cast<char>(n & 0xFF);
    } else {
        f += static_cast<char>(maskBit | 127);
        for (int shift = 56; shift >= 0; shift -= 8) f += static_cast<char>((uint64_t{n} >> shift) & 0xFF);
    }
    const char mask[4] = {0x37, static_cast<char>(0xFA), 0x21, 0x3D};
    if (masked) f.append(mask, 4);
    for (size_t i = 0; i < n; ++i) f += masked ? static_cast<char>(payload[i] ^ mask[i % 4]) : payload[i];
    return f;
}

FrameStep ReadAll(const std::string& bytes) {
    FrameReader reader;
    std::string_view input(bytes);
    return reader.Read(input);
}

uint16_t FailCodeOf(const std::string& bytes) {
    const FrameStep step = ReadAll(bytes);
    return step.status == FrameStatus::Failed ? step.failCode : 0;
}

}  // namespace

TEST(WebSocketFrames, ReadsMaskedTextSplitAnywhereAndFramesBackToBack) {
    const std::string text = "{\"op\":\"noteToAll\"} 안녕";
    const std::string bytes = ClientFrameBytes(0x81, text) + ClientFrameBytes(0x89, "hi") +
                              ClientFrameBytes(0x81, std::string(300, 'x'));
    FrameReader reader;
    std::vector<ClientFrame> frames;
    for (char c : bytes) {
        std::string_view one(&c, 1);
        const FrameStep step = reader.Read(one);
        ASSERT_NE(FrameStatus::Failed, step.status);
        EXPECT_TRUE(one.empty());
        if (step.status == FrameStatus::Frame) frames.push_back(step.frame);
    }
    ASSERT_EQ(3u, frames.size());
    EXPECT_EQ(ClientFrameKind::Text, frames[0].kind);
    EXPECT_EQ(text, frames[0].payload);
    EXPECT_EQ(ClientFrameKind::Ping, frames[1].kind);
    EXPECT_EQ("hi", frames[1].payload);
    EXPECT_EQ(std::string(300, 'x'), frames[2].payload);

    std::string_view both(bytes);
    EXPECT_EQ(text, reader.Read(both).frame.payload);
    EXPECT_EQ("hi", reader.Read(both).frame.payload);
}

TEST(WebSocketFrames, WhatTheBridgeRefusesAndItsCloseCode) {
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x81, "a", false)));   // unmasked
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x01, "a")));          // first fragment
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x80, "a")));          // continuation
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0xC1, "a")));          // RSV1 (no extension)
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x83, "a")));          // reserved opcode
    EXPECT_EQ(kCloseUnsupportedData, FailCodeOf(ClientFrameBytes(0x82, "a")));        // binary
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x89, std::string(126, 'p'))));
    EXPECT_EQ(kCloseInvalidText, FailCodeOf(ClientFrameBytes(0x81, "\xC0\xAF")));
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x88, "\x03")));        // half a code
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(ClientFrameBytes(0x88, "\x03\xED")));    // 1005 is never sent
    EXPECT_EQ(kCloseInvalidText, FailCodeOf(ClientFrameBytes(0x88, "\x03\xE8\xFF")));

    // 64 KB passes; one byte more is refused from the length field alone.
    EXPECT_EQ(FrameStatus::Frame, ReadAll(ClientFrameBytes(0x81, std::string(kMaxClientPayload, 'a'))).status);
    EXPECT_EQ(kCloseMessageTooBig, FailCodeOf(std::string("\x81\xFF\x00\x00\x00\x00\x00\x01\x00\x01", 10)));
    EXPECT_EQ(kCloseMessageTooBig, FailCodeOf(std::string("\x81\xFF\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10)));
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(std::string("\x81\xFF\x80\x00\x00\x00\x00\x00\x00\x01", 10)));
    EXPECT_EQ(kCloseProtocolError, FailCodeOf(std::string("\x81\xFE\x00\x05", 4)));  // 5 in 16 bits

    FrameReader reader;
    std::string bad = ClientFrameBytes(0x82, "a") + ClientFrameBytes(0x81, "b");
    std::string_view input(bad);
    EXPECT_EQ(FrameStatus::Failed, reader.Read(input).status);
    EXPECT_EQ(FrameStatus::Failed, reader.Read(input).status);  // a broken stream stays broken
}

TEST(WebSocketFrames, CloseFramesCarryCodeAndReason) {
    FrameStep step = ReadAll(ClientFrameBytes(0x88, "\x03\xE8" "bye"));
    ASSERT_EQ(FrameStatus::Frame, step.status);
    EXPECT_EQ(ClientFrameKind::Close, step.frame.kind);
    EXPECT_EQ(1000, step.frame.closeCode);
    EXPECT_EQ("bye", step.frame.closeReason);
    step = ReadAll(ClientFrameBytes(0x88, ""));
    EXPECT_EQ(0, step.frame.closeCode);
    EXPECT_EQ(4001, ReadAll(ClientFrameBytes(0x88, "\x0F\xA1")).frame.closeCode);
}

TEST(WebSocketFrames, ServerFramesAreWholeAndUnmasked) {
    EXPECT_EQ(std::string("\x81\x02ok", 4), ServerTextFrame("ok"));
    const std::string mid = ServerTextFrame(std::string(200, 'a'));
    EXPECT_EQ(std::string("\x81\x7E\x00\xC8", 4), mid.substr(0, 4));
    EXPECT_EQ(204u, mid.size());
    const std::string big = ServerTextFrame(std::string(70000, 'a'));
    EXPECT_EQ(std::string("\x81\x7F\x00\x00\x00\x00\x00\x01\x11\x70", 10), big.substr(0, 10));
    EXPECT_EQ(std::string("\x8A\x02hi", 4), ServerPongFrame("hi"));
    EXPECT_EQ(std::string("\x88\x00", 2), ServerCloseFrame(0));
    EXPECT_EQ(std::string("\x88\x04\x03\xF0no", 6), ServerCloseFrame(kClosePolicyViolation, "no"));
    // A reason is cut before a character that would not fit whole: 41 Hangul are 123 bytes, 42 are not.
    std::string hangul;
    for (int i = 0; i < 42; ++i) hangul += "가";
    const std::string close = ServerCloseFrame(kCloseNormal, hangul);
    EXPECT_EQ(2u + 2u + 123u, close.size());
    EXPECT_TRUE(IsValidUtf8(close.substr(4)));
}

TEST(Utf8Validation, StrictForms) {
    for (const char* good : {"", "ascii", "가나다", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF",
                             "\xEE\x80\x80", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "😀"})
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    for (const char* bad : {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",
                            "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\xE4\xB8",
                            "a\xE4", "\xE4\x41\x80", "\xF0\x90\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}
