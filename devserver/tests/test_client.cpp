#include "test_client.h"

#include <chrono>

#include "fields.h"
#include "packet.h"

namespace devserver::testing {

namespace {
int64_t Now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

bool TestClient::Connect(uint16_t port, int timeoutMs) {
    Close();
    devnet::StartNetworking();
    socket_ = devnet::StartConnect("127.0.0.1", port);
    if (socket_ == devnet::kNoSocket) return false;
    if (devnet::FinishConnect(socket_, timeoutMs) != devnet::Wait::Ready) {
        Close();
        return false;
    }
    return true;
}

void TestClient::Close() {
    if (socket_ != devnet::kNoSocket) devnet::CloseSocket(socket_);
    socket_ = devnet::kNoSocket;
    buffered_.clear();
}

bool TestClient::SendBytes(const Bytes& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        size_t sent = 0;
        const devnet::Io io = devnet::SendSome(socket_, bytes.data() + at, bytes.size() - at, &sent);
        if (io == devnet::Io::WouldBlock) {
            if (devnet::WaitWritable(socket_, 1000) != devnet::Wait::Ready) return false;
            continue;
        }
        if (io != devnet::Io::Done) return false;
        at += sent;
    }
    return true;
}

bool TestClient::SendPacket(uint16_t command, uint16_t kind, const Bytes& body) {
    return SendBytes(FramePacket(command, kind, body));
}

bool TestClient::SendLogin(const std::string& id, const std::string& password, char webcam) {
    return SendPacket(CMD_LOGIN, KIND_REQUEST,
                      Concat({Field(id, 13), Field(password, 32), Bytes{static_cast<uint8_t>(webcam)},
                              Field("session-1", 32), Field("1,0,0,46", 12)}));
}

char TestClient::Login(const std::string& id, int timeoutMs) {
    if (!SendLogin(id)) return 0;
    const auto answer = ReadCommand(CMD_LOGIN, timeoutMs);
    return answer && !answer->body.empty() ? static_cast<char>(answer->body[0]) : 0;
}

bool TestClient::Fill(size_t size, int timeoutMs) {
    const int64_t until = Now() + timeoutMs;
    uint8_t chunk[4096];
    while (buffered_.size() < size) {
        const int64_t left = until - Now();
        if (left <= 0 || devnet::WaitReadable(socket_, static_cast<int>(left)) != devnet::Wait::Ready) return false;
        size_t got = 0;
        const devnet::Io io = devnet::Receive(socket_, chunk, sizeof(chunk), &got);
        if (io == devnet::Io::WouldBlock) continue;
        if (io != devnet::Io::Done) return false;
        buffered_.insert(buffered_.end(), chunk, chunk + got);
    }
    return true;
}

std::optional<WirePacket> TestClient::ReadPacket(int timeoutMs) {
    if (socket_ == devnet::kNoSocket || !Fill(kHeaderSize, timeoutMs)) return std::nullopt;
    const PacketHeader h = ParseHeader(buffered_.data());
    if (!Fill(kHeaderSize + h.bodyLength, timeoutMs)) return std::nullopt;
    WirePacket p;
    p.command = h.command;
    p.kind = h.kind;
    p.body.assign(buffered_.begin() + kHeaderSize, buffered_.begin() + kHeaderSize + h.bodyLength);
    buffered_.erase(buffered_.begin(), buffered_.begin() + kHeaderSize + h.bodyLength);
    return p;
}

std::optional<WirePacket> TestClient::ReadCommand(uint16_t command, int timeoutMs) {
    const int64_t until = Now() + timeoutMs;
    for (;;) {
        const int64_t left = until - Now();
        if (left <= 0) return std::nullopt;
        auto p = ReadPacket(static_cast<int>(left));
        if (!p || p->command == command) return p;
    }
}

Bytes TestClient::ReadSome(int timeoutMs) {
    if (!buffered_.empty()) {
        Bytes out;
        out.swap(buffered_);
        return out;
    }
    uint8_t chunk[4096];
    if (devnet::WaitReadable(socket_, timeoutMs) != devnet::Wait::Ready) return {};
    size_t got = 0;
    if (devnet::Receive(socket_, chunk, sizeof(chunk), &got) != devnet::Io::Done) return {};
    return Bytes(chunk, chunk + got);
}

bool TestClient::WaitClosed(int timeoutMs) {
    const int64_t until = Now() + timeoutMs;
    uint8_t chunk[4096];
    for (;;) {
        const int64_t left = until - Now();
        if (left <= 0) return false;
        if (devnet::WaitReadable(socket_, static_cast<int>(left)) != devnet::Wait::Ready) return false;
        size_t got = 0;
        const devnet::Io io = devnet::Receive(socket_, chunk, sizeof(chunk), &got);
        if (io == devnet::Io::Closed || io == devnet::Io::Failed) return true;
    }
}

Bytes Field(const std::string& text, size_t width) {
    Bytes b(width);
    PutText(b.data(), width, text);
    return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::string Text(const Bytes& b, size_t at, size_t width) {
    if (at + width > b.size()) return "<short>";
    return GetText(b.data() + at, width);
}

}  // namespace devserver::testing
