#include "dev_server.h"

#include <cstdio>
#include <cstdlib>

#include "packet.h"
#include "packet_describe.h"
#include "tray_bodies.h"

namespace devserver {

// ---------------------------------------------------------------- Target

Target::Target(const std::string& text) {
    std::string s = text;
    if (s.rfind("list:", 0) == 0) {
        channel = Channel::List;
        s = s.substr(5);
    }
    if (s == "*") {
        by = By::All;
    } else if (s.size() > 1 && s[0] == '#' && s.find_first_not_of("0123456789", 1) == std::string::npos &&
               s.size() < 10) {
        by = By::Session;
        session = std::atoi(s.c_str() + 1);
    } else {
        by = By::Member;
        member = s;
    }
}

std::string Target::Text() const {
    const std::string prefix = channel == Channel::List ? "list:" : "";
    switch (by) {
        case By::Session: return "#" + std::to_string(session);
        case By::Member: return prefix + member;
        default: return prefix + "*";
    }
}

// ---------------------------------------------------------------- life cycle

DevServer::DevServer(DevServerOptions options)
    : options_(std::move(options)), startTime_(std::chrono::steady_clock::now()), random_(std::random_device{}()) {}

DevServer::~DevServer() { Stop(); }

int64_t DevServer::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - startTime_)
        .count();
}

bool DevServer::Start(std::string* error) {
    if (running_) return true;
    std::string why;
    if (!devnet::StartNetworking()) {
        if (error) *error = "network start-up failed";
        return false;
    }
    networking_ = true;
    startTime_ = std::chrono::steady_clock::now();
    const auto log = [this](const std::string& line) { Log(line); };
    if (!trayListener_.Open(options_.bindAddress, options_.trayPort, options_.readyAfterMs, log, &why) ||
        (options_.listEnabled && !listListener_.Open(options_.bindAddress, options_.listPort, 0, log, &why))) {
        if (error) *error = why;
        Stop();
        return false;
    }
    trayPort_ = trayListener_.Port();
    listPort_ = options_.listEnabled ? listListener_.Port() : 0;
    scheduler_.Start();
    running_ = true;
    trayListener_.Start([this](devnet::SocketHandle s, const std::string& peer) { OnAccept(Channel::Tray, s, peer); });
    if (options_.listEnabled)
        listListener_.Start([this](devnet::SocketHandle s, const std::string& peer) { OnAccept(Channel::List, s, peer); });
    Log("listening on " + options_.bindAddress + ":" + std::to_string(trayPort_) + " (tray)" +
        (options_.listEnabled ? ", " + options_.bindAddress + ":" + std::to_string(listPort_) + " (member list)" : ""));
    return true;
}

void DevServer::Stop() {
    const bool wasRunning = running_.exchange(false);
    // Listeners first, so that no session is added while the others close.
    trayListener_.Stop();
    listListener_.Stop();
    scheduler_.Stop();
    std::map<int, SessionEntry> sessions;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions.swap(sessions_);
    }
    for (auto& [id, entry] : sessions) entry.session->End("server stopping");
    for (auto& [id, entry] : sessions) entry.session->Join();
    if (networking_) {
        devnet::StopNetworking();
        networking_ = false;
    }
    if (wasRunning) Log("stopped");
}

// ---------------------------------------------------------------- behaviour

void DevServer::SetLoginResult(std::optional<char> result) {
    SetReply(CMD_LOGIN, result ? Reply::With(*result) : Reply::None());
}

void DevServer::SetAnswerKeepAlives(bool answer) { SetReply(CMD_KEEPALIVE, answer ? Reply::Normal() : Reply::None()); }

void DevServer::SetChatCheckAnswer(char result, const std::string& code) {
    SetReply(CMD_CHAT_CHECK, Reply::With(result, code));
}

void DevServer::SetReply(uint16_t command, const Reply& reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[command] = reply;
}

Reply DevServer::GetReply(uint16_t command) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = replies_.find(command);
    return it != replies_.end() ? it->second : Reply::Normal();
}

void DevServer::SetChatServerAddress(const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    chatServer_ = address;
}

std::string DevServer::GetChatServerAddress() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chatServer_;
}

std::string DevServer::ChatServerAddress() { return GetChatServerAddress(); }

std::string DevServer::NewChatKey() {
    static const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::lock_guard<std::mutex> lock(mutex_);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(kAlphabet)) - 2);
    std::string key(32, ' ');
    for (char& c : key) c = kAlphabet[pick(random_)];
    return key;
}

void DevServer::SetMember(const MemberProfile& profile) { profiles_.Set(profile); }
MemberProfile DevServer::GetMember(const std::string& id) const { return profiles_.Get(id); }

void DevServer::AddEventHook(std::function<void(const ServerEvent&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    hooks_.push_back(std::move(hook));
}

void DevServer::Fire(const ServerEvent& event) {
    std::vector<std::function<void(const ServerEvent&)>> hooks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hooks = hooks_;
    }
    for (const auto& h : hooks) h(event);
}

// ---------------------------------------------------------------- sessions

void DevServer::OnAccept(Channel channel, devnet::SocketHandle socket, const std::string& peer) {
    ReapFinished();
    devnet::SetNoDelay(socket);  // split deliveries must leave as separate segments
    Session::Callbacks callbacks;
    callbacks.onPacket = [this](Session& s, WirePacket p, int64_t at) { OnPacket(s, std::move(p), at); };
    callbacks.onSending = [this](Session& s, const std::vector<OutgoingItem>& items) { OnSending(s, items); };
    callbacks.onClosed = [this](Session& s, const std::string& why) { OnClosed(s, why); };
    int id;
    std::shared_ptr<Session> session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = nextSession_++;
        session = std::make_shared<Session>(id, channel, socket, [this] { return NowMs(); }, callbacks);
        sessions_[id] = SessionEntry{session, channel, "", false, true};
    }
    const int64_t at = NowMs();
    record_.AddConnection(ConnectionRecord{id, channel, peer, "", at, -1, ""});
    LogSession(id, "--", "accepted from " + peer + " on port " +
                             std::to_string(channel == Channel::Tray ? trayPort_ : listPort_));
    session->Start();
    Fire(ServerEvent{ServerEvent::Type::Connected, id, channel, "", 0});
}

void DevServer::ReapFinished() {
    std::vector<std::shared_ptr<Session>> done;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            if (!it->second.open && it->second.session->Finished()) {
                done.push_back(it->second.session);
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& s : done) s->Join();
}

void DevServer::OnPacket(Session& s, WirePacket p, int64_t atMs) {
    const Channel channel = s.GetChannel();
    const std::string member = Label(s.Id());
    LogSession(s.Id(), "in ", DescribePacket(channel, true, p));
    if (channel == Channel::Tray) tray_.OnPacket(s.Id(), p);
    else list_.OnPacket(s.Id(), p);
    // Recorded once handled: a test that sees the packet also sees its effects.
    RecordedPacket r;
    r.session = s.Id();
    r.channel = channel;
    r.member = member;
    r.command = p.command;
    r.kind = p.kind;
    r.body = std::move(p.body);
    r.atMs = atMs;
    record_.AddReceived(std::move(r));
    Fire(ServerEvent{ServerEvent::Type::Packet, s.Id(), channel, Label(s.Id()), p.command});
}

std::string DevServer::RecordSending(Session& s, const OutgoingItem& item) {
    const Channel channel = s.GetChannel();
    RecordedPacket r;
    r.session = s.Id();
    r.channel = channel;
    r.member = Label(s.Id());
    r.atMs = NowMs();
    r.raw = item.raw;
    std::string text;
    if (item.raw) {
        r.body = item.bytes;
        text = DescribeRawBytes(channel, item.bytes);
    } else {
        const PacketHeader h = ParseHeader(item.bytes.data());
        r.command = h.command;
        r.kind = h.kind;
        r.body.assign(item.bytes.begin() + kHeaderSize, item.bytes.end());
        WirePacket p{h.command, h.kind, r.body};
        text = DescribePacket(channel, false, p);
    }
    const std::string how = DescribeDelivery(item.delivery);
    if (!how.empty()) text += "  [" + how + "]";
    if (item.closeAfter) text = item.bytes.empty() ? "closing the connection" : text + "  [then close]";
    record_.AddSent(std::move(r));
    return text;
}

void DevServer::OnSending(Session& s, const std::vector<OutgoingItem>& items) {
    std::vector<std::string> lines;
    lines.reserve(items.size());
    for (const OutgoingItem& item : items) lines.push_back(SessionLine(s.Id(), "out", RecordSending(s, item)));
    LogLines(lines);
}

void DevServer::OnClosed(Session& s, const std::string& why) {
    std::string member;
    bool wasLoggedIn = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(s.Id());
        if (it != sessions_.end()) {
            it->second.open = false;
            wasLoggedIn = it->second.loggedIn;
            it->second.loggedIn = false;
            member = it->second.label;
        }
    }
    record_.SetConnectionClosed(s.Id(), NowMs(), why);
    LogSession(s.Id(), "--", "connection ended: " + why);
    // While stopping there is nobody left to tell about withdrawn requests.
    if (running_ && s.GetChannel() == Channel::Tray) tray_.OnClosed(s.Id(), wasLoggedIn ? member : "");
    Fire(ServerEvent{ServerEvent::Type::Closed, s.Id(), s.GetChannel(), member, 0});
}

std::string DevServer::Label(int session) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(session);
    return it != sessions_.end() ? it->second.label : "";
}

std::vector<std::shared_ptr<Session>> DevServer::Resolve(const Target& to) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::shared_ptr<Session>> found;
    if (to.by == Target::By::Session) {
        const auto it = sessions_.find(to.session);
        if (it != sessions_.end() && it->second.open) found.push_back(it->second.session);
        return found;
    }
    if (to.by == Target::By::All) {
        for (auto& [id, e] : sessions_)
            if (e.open && e.channel == to.channel) found.push_back(e.session);
        return found;
    }
    // A member: the session it is logged in on, else the latest one that carried its name.
    std::shared_ptr<Session> fallback;
    for (auto it = sessions_.rbegin(); it != sessions_.rend(); ++it) {
        const SessionEntry& e = it->second;
        if (!e.open || e.channel != to.channel || e.label != to.member) continue;
        if (e.loggedIn) {
            found.push_back(e.session);
            return found;
        }
        if (!fallback) fallback = e.session;
    }
    if (fallback) found.push_back(fallback);
    return found;
}

bool DevServer::Enqueue(const Target& to, OutgoingItem item) {
    const auto sessions = Resolve(to);
    bool any = false;
    for (const auto& s : sessions) any = s->Enqueue(item) || any;
    if (!any) Log("no open session for " + to.Text() + "; nothing sent");
    return any;
}

// ---------------------------------------------------------------- actions

bool DevServer::Send(const Target& to, uint16_t command, uint16_t kind, const Bytes& body, const Delivery& how) {
    if (body.size() > 0xFFFF) {
        Log("a body of " + std::to_string(body.size()) + " bytes does not fit a header; use SendRaw");
        return false;
    }
    OutgoingItem item;
    item.bytes = FramePacket(command, kind, body);
    item.delivery = how;
    return Enqueue(to, std::move(item));
}

bool DevServer::SendRaw(const Target& to, const Bytes& bytes, const Delivery& how) {
    OutgoingItem item;
    item.bytes = bytes;
    item.delivery = how;
    item.raw = true;
    return Enqueue(to, std::move(item));
}

bool DevServer::EndSession(const Target& to, char reason) {
    return Send(to, CMD_SESSION_END, KIND_SERVER, BuildSessionEnd(reason));
}

bool DevServer::Disconnect(const Target& to) {
    OutgoingItem item;
    item.raw = true;
    item.closeAfter = true;
    return Enqueue(to, std::move(item));
}

bool DevServer::Reset(const Target& to) {
    OutgoingItem item;
    item.raw = true;
    item.resetAfter = true;
    return Enqueue(to, std::move(item));
}

void DevServer::After(int64_t delayMs, std::function<void()> task) { scheduler_.After(delayMs, std::move(task)); }

bool DevServer::SendToSession(int session, uint16_t command, uint16_t kind, Bytes body) {
    return Send(Target(session), command, kind, body);
}

// ---------------------------------------------------------------- members

std::optional<int> DevServer::SessionOfMember(Channel channel, const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = sessions_.rbegin(); it != sessions_.rend(); ++it) {
        const SessionEntry& e = it->second;
        if (e.open && e.loggedIn && e.channel == channel && e.label == id) return it->first;
    }
    return std::nullopt;
}

std::vector<std::pair<int, std::string>> DevServer::LoggedInMembers(Channel channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<int, std::string>> out;
    for (const auto& [id, e] : sessions_)
        if (e.open && e.loggedIn && e.channel == channel) out.emplace_back(id, e.label);
    return out;
}

std::string DevServer::MemberOf(int session) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(session);
    return it != sessions_.end() && it->second.loggedIn ? it->second.label : "";
}

void DevServer::BindMember(int session, const std::string& id) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(session);
        if (it == sessions_.end() || !it->second.open) return;
        it->second.label = id;
        it->second.loggedIn = true;
    }
    record_.SetConnectionMember(session, id);
}

void DevServer::AnnounceLogin(int session) {
    ServerEvent event{ServerEvent::Type::LoggedIn, session, Channel::Tray, "", 0};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(session);
        if (it == sessions_.end() || !it->second.loggedIn) return;
        event.channel = it->second.channel;
        event.member = it->second.label;
    }
    Fire(event);
}

void DevServer::UnbindMember(int session) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(session);
    if (it != sessions_.end()) it->second.loggedIn = false;
}

// ---------------------------------------------------------------- observations

std::vector<int64_t> DevServer::AcceptTimes() const {
    std::vector<int64_t> times;
    for (const auto& c : record_.Connections())
        if (c.channel == Channel::Tray) times.push_back(c.acceptMs);
    return times;
}

size_t DevServer::CountReceived(uint16_t command, const std::string& member) const {
    size_t n = 0;
    for (const auto& p : record_.Received())
        n += p.command == command && (member.empty() || p.member == member) ? 1 : 0;
    return n;
}

std::optional<RecordedPacket> DevServer::WaitForPacket(uint16_t command, int64_t timeoutMs, const std::string& member,
                                                       size_t fromIndex) {
    return record_.WaitReceived(
        [&](const RecordedPacket& p) { return p.command == command && (member.empty() || p.member == member); },
        timeoutMs, fromIndex);
}

std::optional<RecordedPacket> DevServer::WaitForSent(uint16_t command, int64_t timeoutMs, const std::string& member,
                                                     size_t fromIndex) {
    return record_.WaitSent(
        [&](const RecordedPacket& p) {
            return !p.raw && p.command == command && (member.empty() || p.member == member);
        },
        timeoutMs, fromIndex);
}

std::optional<int> DevServer::WaitForLogin(const std::string& member, int64_t timeoutMs) {
    const auto c = record_.WaitConnection(
        [&](const ConnectionRecord& r) { return r.channel == Channel::Tray && r.member == member; }, timeoutMs);
    if (!c) return std::nullopt;
    return c->session;
}

bool DevServer::WaitForConnections(size_t count, int64_t timeoutMs) {
    return record_.WaitConnectionCount(count, timeoutMs);
}

// ---------------------------------------------------------------- log

void DevServer::Log(const std::string& line) { LogLines({line}); }

void DevServer::LogLines(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%9lld ms  ", static_cast<long long>(NowMs()));
    std::lock_guard<std::mutex> lock(logMutex_);
    if (options_.logSink) {
        for (const std::string& line : lines) options_.logSink(stamp + line);
        return;
    }
    std::string text;
    for (const std::string& line : lines) text.append(stamp).append(line).append("\n");
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void DevServer::Remark(int session, const std::string& text) { LogSession(session, "!! ", text); }

std::string DevServer::SessionLine(int session, const std::string& direction, const std::string& text) {
    Channel channel = Channel::Tray;
    std::string label;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(session);
        if (it != sessions_.end()) {
            channel = it->second.channel;
            label = it->second.label;
        }
    }
    char head[64];
    std::snprintf(head, sizeof(head), "%s#%-3d %-12s %s ", channel == Channel::Tray ? "tray" : "list", session,
                  label.empty() ? "-" : label.c_str(), direction.c_str());
    return head + text;
}

void DevServer::LogSession(int session, const std::string& direction, const std::string& text) {
    Log(SessionLine(session, direction, text));
}

}  // namespace devserver
