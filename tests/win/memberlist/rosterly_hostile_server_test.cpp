// The member list control against a server that misbehaves: floods of
// refusals, whole lists in one write, packets cut across writes, a reset in
// the middle of a body. Nothing that arrived whole is lost, no box opens
// inside another, the process lives on.
#include <atomic>
#include <thread>

#include "fields.h"
#include "rosterly_fixture.h"
#include "rosterly_texts.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class HostileListServer : public RosterlyTest {
protected:
    devserver::Bytes Record(const std::string& id, char op = 'A') {
        devserver::MemberProfile p = devserver::DefaultProfile(id);
        p.sex = 'F';
        return devserver::FramePacket(LIST_MEMBERS, KIND_SERVER, devserver::BuildListRecord(p, {id}, {}, op));
    }
    static void Join(devserver::Bytes& to, const devserver::Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }
};

// The refusals behind an open box are read at once; the boxes they ask for
// wait their turn, one at a time, each shown, and the record behind them is
// listed while they wait.
TEST_F(HostileListServer, AFloodOfRefusalsShowsOneBoxAtATimeEachOnceAndTheListGoesOn) {
    HostViewer(L"man");
    // A box as the member sees it: open for a while with the thread's
    // messages running, where the next packet's notification arrives.
    int depth = 0, deepest = 0, shown = 0, shownWhenListed = -1;
    MessageBoxHandler recorder = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        deepest = std::max(deepest, ++depth);
        ++shown;
        PumpFor(3);
        if (shownWhenListed < 0 && RowOf(main.control, "after") >= 0) shownWhenListed = shown;
        --depth;
        return IDOK;
    });
    const int refusals = 1000;
    devserver::Bytes flood;
    for (int i = 0; i < refusals; ++i) Join(flood, devserver::FramePacket(LIST_MEMBERS, KIND_ANSWER, {'E'}));
    Join(flood, Record("after"));
    ASSERT_TRUE(server->SendRaw("list:viewer", flood));
    const bool done = PumpUntil([&] { return RowOf(main.control, "after") >= 0 && shown == refusals; }, 90000);
    SetMessageBoxHandler(recorder);
    ASSERT_TRUE(done) << shown << " boxes";
    EXPECT_EQ(refusals, shown);
    EXPECT_GT(shownWhenListed, 0);
    EXPECT_LT(shownWhenListed, refusals) << "the record waited for the boxes";
    EXPECT_EQ(1, deepest);
    // The link still works both ways: a time packet goes out and is answered.
    EXPECT_TRUE(main.control->SendTime());
    EXPECT_TRUE(WaitRequests(devserver::LIST_TIME, 1));
    EXPECT_TRUE(main.control->IsConnected());
}

TEST_F(HostileListServer, AWholeListInOneWriteAndPacketsCutAcrossWritesApplyInOrder) {
    HostViewer(L"man");
    const int n = 3000;
    devserver::Bytes list;
    for (int i = 0; i < n; ++i) Join(list, Record("m" + std::to_string(i)));
    // Then one member removed and one added, the last packet cut in three.
    Join(list, Record("m7", 'R'));
    ASSERT_TRUE(server->SendRaw("list:viewer", list));
    devserver::Delivery cut;
    cut.split = {3, 70};
    cut.gapMs = 150;
    ASSERT_TRUE(server->SendRaw("list:viewer", Record("last"), cut));
    ASSERT_TRUE(WaitRows(main.control, n, 30000));
    EXPECT_EQ(-1, RowOf(main.control, "m7"));
    ASSERT_TRUE(PumpUntil([&] { return RowOf(main.control, "last") == 0; }, 3000));
    const std::vector<std::string> ids = RowIds(main.control);
    EXPECT_EQ("m2999", ids[1]);  // each 'A' goes on top: arrival order, reversed
    EXPECT_EQ("m0", ids.back());
    EXPECT_EQ(0u, boxes.Count());
}

// A list server of our own that resets the connection part-way through a body.
class ResettingListServer {
public:
    ResettingListServer(const std::string& address, devserver::Bytes before) : payload_(std::move(before)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = ::htons(5200);
        at.sin_addr.s_addr = ::inet_addr(address.c_str());
        ok_ = ::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && ::listen(listener_, 1) == 0;
        if (ok_) thread_ = std::thread([this] { Serve(); });
    }
    ~ResettingListServer() {
        ::closesocket(listener_);
        if (thread_.joinable()) thread_.join();
    }
    bool Ok() const { return ok_; }
    std::atomic<bool> reset{false};

private:
    bool ReadFully(SOCKET s, size_t n) {
        char buffer[128];
        while (n > 0) {
            const int r = ::recv(s, buffer, static_cast<int>(std::min(n, sizeof buffer)), 0);
            if (r <= 0) return false;
            n -= static_cast<size_t>(r);
        }
        return true;
    }
    void Serve() {
        const SOCKET s = ::accept(listener_, nullptr, nullptr);
        if (s == INVALID_SOCKET) return;
        // The login (63 bytes) is accepted; after the list request (7 bytes)
        // come the members and half of one more, then the reset.
        if (ReadFully(s, 63)) {
            const devserver::Bytes accepted = devserver::FramePacket(LIST_LOGIN, KIND_ANSWER, {'S'});
            ::send(s, reinterpret_cast<const char*>(accepted.data()), static_cast<int>(accepted.size()), 0);
            if (ReadFully(s, 7))
                ::send(s, reinterpret_cast<const char*>(payload_.data()), static_cast<int>(payload_.size()), 0);
            ::Sleep(200);
        }
        const linger abort = {1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        ::closesocket(s);
        reset = true;
    }
    devserver::Bytes payload_;
    SOCKET listener_ = INVALID_SOCKET;
    std::thread thread_;
    bool ok_ = false;
};

TEST_F(HostileListServer, AResetInTheMiddleOfABodyKeepsEveryWholePacketAndSaysTheLinkBroke) {
    devserver::Bytes payload;
    for (int i = 0; i < 50; ++i) Join(payload, Record("w" + std::to_string(i)));
    const devserver::Bytes half = Record("half");
    payload.insert(payload.end(), half.begin(), half.begin() + 60);
    ResettingListServer rogue(Address(), payload);
    ASSERT_TRUE(rogue.Ok());
    main = Host({{L"SEX", L"man"}, {L"ID", L"viewer"}, {L"PWD", L"pw"}});
    ASSERT_TRUE(WaitRows(main.control, 50, 5000));
    ASSERT_TRUE(boxes.WaitForText(kLinkBrokenText, 5000));
    PumpFor(300);
    EXPECT_EQ(1u, boxes.CountText(kLinkBrokenText));
    EXPECT_EQ(50, main.control->RowCount());
    EXPECT_EQ(-1, RowOf(main.control, "half"));
}

}  // namespace
