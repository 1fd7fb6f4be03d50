// The development server: the server side of the tray client protocol on one
// port and, optionally, a minimal member list server on another, with
// scriptable behaviour, a readable log of every packet and an in-memory record
// that tests query. Runs on threads of its own; every method is thread-safe.
//
//   devserver::DevServerOptions options;
//   options.trayPort = 0;                      // any free port
//   devserver::DevServer server(options);
//   server.Start();
//   ... start a client against server.TrayPort() ...
//   auto login = server.WaitForPacket(devserver::CMD_LOGIN, 5000);
//   server.Send("alice", devserver::CMD_SESSION_END, 4, {'O'});
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "delivery_plan.h"
#include "listener.h"
#include "list_protocol.h"
#include "member_profiles.h"
#include "protocol_hub.h"
#include "scheduler.h"
#include "session.h"
#include "traffic_record.h"
#include "tray_protocol.h"
#include "wire_packet.h"

namespace devserver {

struct DevServerOptions {
    std::string bindAddress = "127.0.0.1";
    uint16_t trayPort = 5210;  // 0 = any free port (see TrayPort())
    bool listEnabled = false;  // also serve the member list port
    uint16_t listPort = 5200;  // 0 = any free port
    // Tray connections are held back (their connect attempts time out rather
    // than fail) for this long after Start; 0 = ready at once.
    int readyAfterMs = 0;
    // Receives each log line (without newline); default: stdout.
    std::function<void(const std::string&)> logSink;
};

// Whom an action is for. From text: a member id ("alice", tray port), "list:alice"
// (member list port), "#3" (session 3, either port), "*" (every open tray session).
struct Target {
    enum class By { Session, Member, All };
    By by = By::All;
    int session = 0;
    std::string member;
    Channel channel = Channel::Tray;

    Target(int sessionId) : by(By::Session), session(sessionId) {}
    Target(const char* text) : Target(std::string(text)) {}
    Target(const std::string& text);
    std::string Text() const;
};

// Something that happened, for scenario triggers.
struct ServerEvent {
    enum class Type { Connected, LoggedIn, Packet, Closed };
    Type type = Type::Connected;
    int session = 0;
    Channel channel = Channel::Tray;
    std::string member;
    uint16_t command = 0;  // Packet only
};

class DevServer : private ProtocolHub {
public:
    explicit DevServer(DevServerOptions options = {});
    ~DevServer() override;
    DevServer(const DevServer&) = delete;
    DevServer& operator=(const DevServer&) = delete;

    bool Start(std::string* error = nullptr);
    // Closes every session and the ports; waits for all threads. Idempotent.
    void Stop();

    uint16_t TrayPort() const { return trayPort_; }
    uint16_t ListPort() const { return listPort_; }
    // Milliseconds since Start on the clock of every record and log line.
    int64_t NowMs() const;

    // --- Behaviour ---------------------------------------------------------
    // Login answer: 'S', 'F' (or any character), or nullopt for no answer.
    void SetLoginResult(std::optional<char> result);
    void SetAnswerKeepAlives(bool answer);
    void SetChatCheckAnswer(char result, const std::string& code = "");
    // General form for any request command of either port.
    void SetReply(uint16_t command, const Reply& reply);
    Reply GetReply(uint16_t command) const;
    // The chat server address put into agreed chat decisions (default 127.0.0.1).
    void SetChatServerAddress(const std::string& address);
    std::string GetChatServerAddress() const;
    void SetMember(const MemberProfile& profile);
    MemberProfile GetMember(const std::string& id) const;
    // Hooks run on server threads; keep them short (schedule longer work with After).
    void AddEventHook(std::function<void(const ServerEvent&)> hook);

    // --- Actions -----------------------------------------------------------
    // Frames and sends one packet; false when no open session matches.
    bool Send(const Target& to, uint16_t command, uint16_t kind, const Bytes& body, const Delivery& how = {});
    // Sends bytes as they are: several packets in one segment, a lying header, garbage.
    bool SendRaw(const Target& to, const Bytes& bytes, const Delivery& how = {});
    // Sends the session end (2010, kind 4) with reason 'A', 'C', 'O' or 'V'.
    bool EndSession(const Target& to, char reason);
    // Closes the connection after what is already queued for it.
    bool Disconnect(const Target& to);
    // Resets the connection after what is already queued for it.
    bool Reset(const Target& to);
    // Runs a task later on the server's scheduler thread.
    void After(int64_t delayMs, std::function<void()> task);
    // Adds a line to the log (scripts use it for their own remarks).
    void Log(const std::string& line);
    // The member list port's population and its pushes (add, update, remove
    // members, set friends, blocks and buddies).
    ListProtocol& MemberList() { return list_; }

    // --- Observations ------------------------------------------------------
    std::vector<RecordedPacket> Received() const { return record_.Received(); }
    std::vector<RecordedPacket> Sent() const { return record_.Sent(); }
    std::vector<ConnectionRecord> Connections() const { return record_.Connections(); }
    // Accept time of every connection on the tray port, in order.
    std::vector<int64_t> AcceptTimes() const;
    size_t CountReceived(uint16_t command, const std::string& member = "") const;
    // First packet with this command (from this member, when given) at record
    // index fromIndex or later, waiting up to timeoutMs for it. A packet is
    // recorded after the server has reacted to it (its answers are queued).
    std::optional<RecordedPacket> WaitForPacket(uint16_t command, int64_t timeoutMs, const std::string& member = "",
                                                size_t fromIndex = 0);
    std::optional<RecordedPacket> WaitForSent(uint16_t command, int64_t timeoutMs, const std::string& member = "",
                                              size_t fromIndex = 0);
    // Session id once the member's login has been accepted on the tray port.
    std::optional<int> WaitForLogin(const std::string& member, int64_t timeoutMs);
    bool WaitForConnections(size_t count, int64_t timeoutMs);
    // For waits the helpers above do not cover.
    TrafficRecord& Record() { return record_; }

private:
    struct SessionEntry {
        std::shared_ptr<Session> session;
        Channel channel = Channel::Tray;
        std::string label;  // member id for log lines; survives a logout
        bool loggedIn = false;
        bool open = true;
    };

    // ProtocolHub
    bool SendToSession(int session, uint16_t command, uint16_t kind, Bytes body) override;
    std::optional<int> SessionOfMember(Channel channel, const std::string& id) override;
    std::vector<std::pair<int, std::string>> LoggedInMembers(Channel channel) override;
    std::string MemberOf(int session) override;
    void BindMember(int session, const std::string& id) override;
    void AnnounceLogin(int session) override;
    void UnbindMember(int session) override;
    MemberProfile Profile(const std::string& id) override { return profiles_.Get(id); }
    Reply ReplyFor(uint16_t command) override { return GetReply(command); }
    std::string ChatServerAddress() override;
    std::string NewChatKey() override;
    void Remark(int session, const std::string& text) override;

    void OnAccept(Channel channel, devnet::SocketHandle socket, const std::string& peer);
    void OnPacket(Session& s, WirePacket p, int64_t atMs);
    void OnSending(Session& s, const std::vector<OutgoingItem>& items);
    // Records an item going out; the text the log shows for it.
    std::string RecordSending(Session& s, const OutgoingItem& item);
    // Log lines written together: one write for a burst of packets.
    void LogLines(const std::vector<std::string>& lines);
    std::string SessionLine(int session, const std::string& direction, const std::string& text);
    void OnClosed(Session& s, const std::string& why);
    bool Enqueue(const Target& to, OutgoingItem item);
    std::vector<std::shared_ptr<Session>> Resolve(const Target& to);
    std::string Label(int session);
    void LogSession(int session, const std::string& direction, const std::string& text);
    void Fire(const ServerEvent& event);
    void ReapFinished();

    const DevServerOptions options_;
    std::chrono::steady_clock::time_point startTime_;
    uint16_t trayPort_ = 0, listPort_ = 0;
    bool networking_ = false;
    std::atomic<bool> running_{false};

    ProfileTable profiles_;
    TrafficRecord record_;
    TrayProtocol tray_{*this};
    ListProtocol list_{*this};
    Listener trayListener_, listListener_;
    Scheduler scheduler_;

    mutable std::mutex mutex_;  // sessions_, replies_, settings, hooks
    std::map<int, SessionEntry> sessions_;
    int nextSession_ = 1;
    std::map<uint16_t, Reply> replies_;
    std::string chatServer_ = "127.0.0.1";
    std::vector<std::function<void(const ServerEvent&)>> hooks_;
    std::mt19937 random_;

    std::mutex logMutex_;
};

}  // namespace devserver
