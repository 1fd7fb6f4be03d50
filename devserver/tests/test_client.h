// A blocking TCP client that plays the tray client (or any peer) in tests.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "socket_shim.h"
#include "wire_packet.h"

namespace devserver::testing {

class TestClient {
public:
    TestClient() = default;
    ~TestClient() { Close(); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool Connect(uint16_t port, int timeoutMs = 3000);
    void Close();
    bool SendBytes(const Bytes& bytes);
    bool SendPacket(uint16_t command, uint16_t kind, const Bytes& body);
    // Sends a well-formed 2001 login for `id`.
    bool SendLogin(const std::string& id, const std::string& password = "pw", char webcam = 'Y');
    // Logs in and returns the server's result character (0 when none came).
    char Login(const std::string& id, int timeoutMs = 3000);

    // Next complete packet, or nullopt on time-out or a closed connection.
    std::optional<WirePacket> ReadPacket(int timeoutMs = 3000);
    // Next packet with this command, skipping others (keep-alive answers etc.).
    std::optional<WirePacket> ReadCommand(uint16_t command, int timeoutMs = 3000);
    // Whatever bytes arrive within timeoutMs (one recv); empty on time-out.
    Bytes ReadSome(int timeoutMs);
    // True when the server closes the connection within timeoutMs.
    bool WaitClosed(int timeoutMs);

private:
    bool Fill(size_t size, int timeoutMs);

    devnet::SocketHandle socket_ = devnet::kNoSocket;
    Bytes buffered_;
};

// Fixed-width text field of `width` bytes, zero-padded.
Bytes Field(const std::string& text, size_t width);
Bytes Concat(std::initializer_list<Bytes> parts);
std::string Text(const Bytes& b, size_t at, size_t width);

}  // namespace devserver::testing
