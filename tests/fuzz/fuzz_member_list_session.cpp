// Fuzz target for the member list's session as a list server drives it: a
// byte stream cut into packets (any type, kind and length), with the viewer's
// mode changes, menu choices and timer ticks between them. The host keeps the
// view as the pages and the list view keep it, from the row events alone;
// it must always hold exactly the session's rows, in their order.
//
// Each step: one byte chooses what happens; a packet takes the bytes up to
// the next step as its stream slice.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bridge_list_messages.h"
#include "fuzz_check.h"
#include "list_frame_buffer.h"
#include "member_list_session.h"

namespace {

class MirrorHost : public MemberListHost {
public:
    bool LinkOpen() const override { return open; }
    void SendToServer(const ListPacket& packet) override { FUZZ_CHECK(packet.size() >= 6 && packet.size() <= 70); }
    void CloseLink() override { open = false; }
    void Tell(const ListNotice& notice) override { FUZZ_CHECK(notice.caption && !notice.text.empty()); }
    void StartTimer(ListTimer, unsigned) override {}
    void StopTimer(ListTimer) override {}
    bool HasView() const override { return true; }
    void ViewCleared(bool) override { ids.clear(); }
    bool RowInserted(size_t row, const MemberRecord& record) override {
        FUZZ_CHECK(row <= ids.size());
        ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(row), record.id);
        EncodeListMember(record);  // never throws, whatever the texts
        return true;
    }
    bool RowReplaced(size_t row, const MemberRecord& record) override {
        FUZZ_CHECK(row < ids.size() && ids[row] == record.id);
        return true;
    }
    void RowRemoved(size_t row, const std::string& id) override {
        FUZZ_CHECK(row < ids.size() && ids[row] == id);
        ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(row));
    }

    bool open = true;
    std::vector<std::string> ids;
};

std::string Clean(std::string_view utf8) { return std::string(utf8.substr(0, 64)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MirrorHost host;
    MemberListSession session(host, &Clean);
    session.SetViewer("viewer", "pw");
    session.Mode().StartFor(size && (data[0] & 1) ? "woman" : "man");
    session.OnLinkOpened();
    ListFrameBuffer frames;
    PacketHeader header;
    std::vector<uint8_t> body;
    size_t pos = 0;
    while (pos < size) {
        const uint8_t step = data[pos++];
        const size_t slice = std::min<size_t>(size - pos, step >> 2);
        switch (step & 3) {
        case 0: {  // bytes from the server
            frames.Append(data + pos, slice);
            pos += slice;
            size_t length = 0;
            while (frames.Next(&header, &body, &length)) session.OnPacket(header, body.data(), length);
            if (frames.Broken()) {
                session.OnLinkBroken();
                frames.Clear();
                host.open = true;  // a new connection
                session.OnLinkOpened();
            }
            break;
        }
        case 1:  // a mode property
            if (step & 4)
                session.ApplyLabel((step & 8) ? "woman" : "B");
            else
                session.ApplyListMode((step & 8) ? "B" : "man");
            break;
        case 2: {  // a menu choice on the row the next byte names
            if (host.ids.empty() || pos >= size) break;
            const std::string id = host.ids[data[pos++] % host.ids.size()];
            MemberRecord* record = session.Rows().Find(id);
            FUZZ_CHECK(record);
            session.Select(*record);
            session.SendRelation("ARBUF"[step % 5]);
            break;
        }
        case 3:
            session.OnTimer((step & 4) ? ListTimer::KeepAlive : ListTimer::LoginRetry);
            break;
        }
        FUZZ_CHECK(host.ids.size() == session.Rows().size());
    }
    const std::vector<const MemberRecord*> rows = session.Rows().InRowOrder();
    for (size_t i = 0; i < rows.size(); ++i) FUZZ_CHECK(rows[i]->id == host.ids[i]);
    return 0;
}
