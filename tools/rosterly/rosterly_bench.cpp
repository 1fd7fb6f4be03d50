// Measures the member list control under wine: applying full lists of 'A'
// records (1,000 to 100,000 rows) straight to the control beside the list
// view's own insertion of the same rows, 1,000 'U'/'R' changes, sorting
// 20,000 rows by each column, and last whole lists through the socket from a
// dev server, with the longest the thread stayed in one message meanwhile.
// Prints figures. Run it under wine, best against a native dev server so that
// the server's pace is not what is measured:
//   devserver --port 0 --list-port 5200 --no-stdin --script FILE   (FILE:
//       list fill 20000 sex=F prefix=f / list fill 100000 sex=M prefix=m)
//   wine rosterly_bench.exe --server 127.0.0.1
// (or the men on a second server: --large-server 127.0.0.2)
// Without --server a dev server runs in this process.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <map>
#include <string>
#include <vector>

#include "control_host.h"
#include "dev_server.h"
#include "list_frame_buffer.h"
#include "list_population.h"
#include "message_box.h"
#include "ole_factory.h"
#include "member_rows.h"
#include "member_text.h"
#include "rosterly_ctrl.h"

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

HWND g_page = nullptr;

struct Hosted {
    CControlHost host;
    CRosterlyCtrl* control = nullptr;
};

// A control as a page shows it; no server, so it keeps its empty list of women.
std::unique_ptr<Hosted> HostControl(const wchar_t* address = L"127.1.254.254", const wchar_t* sex = L"man") {
    auto h = std::make_unique<Hosted>();
    IUnknown* object = nullptr;
    CreateComObject<CRosterlyCtrl>(IID_IUnknown, reinterpret_cast<void**>(&object));
    h->control = static_cast<CRosterlyCtrl*>(static_cast<IOleObject*>(object));
    h->host.Attach(object);
    object->Release();
    h->host.SetParam(L"SEX", sex);
    h->host.SetParam(L"SERVERIP", address);
    const RECT position = {0, 0, 880, 480};
    h->host.Load(g_page, position);
    h->host.Activate();
    return h;
}

devserver::Bytes Record(int i, char op, std::mt19937& rng) {
    devserver::MemberProfile p = devserver::DefaultProfile("m" + std::to_string(i));
    p.sex = 'F';
    p.age = static_cast<int16_t>(18 + rng() % 40);
    p.nickname = u8"회원" + std::to_string(rng() % 5000);
    p.taste = static_cast<int16_t>(static_cast<int>(rng() % 9) - 1);
    p.popularity = std::to_string(rng() % 1000);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2024/5/1/%u/%u/%u", static_cast<unsigned>(rng() % 24),
                  static_cast<unsigned>(rng() % 60), static_cast<unsigned>(rng() % 60));
    devserver::ListedMember listed{p.id, rng() % 4 == 0, static_cast<int16_t>(rng() % 50), stamp};
    return devserver::BuildListRecord(p, listed, {}, op);
}

// The longest the thread stayed in one message it dispatched, and which.
double g_longestMessageMs = 0;
UINT g_longestMessage = 0;

// Called after each message Pump dispatches, when set.
std::function<void()> g_afterMessage;

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        const auto t = Clock::now();
        ::DispatchMessageA(&msg);
        const double ms = MsSince(t);
        if (ms > g_longestMessageMs) {
            g_longestMessageMs = ms;
            g_longestMessage = msg.message;
        }
        if (g_afterMessage) g_afterMessage();
    }
}

HIMAGELIST RowImages() { return ::ImageList_Create(42, 27, ILC_COLOR16, 1, 0); }

// The list view alone: n rows of nine texts inserted at the top, either
// "text" in every cell or the cells of the given records as the control
// shows them (with the webcam column's image).
double RawListViewMs(int n, bool redraw, const std::vector<RowCells>* rows = nullptr) {
    HWND list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
                                  880, 480, g_page, nullptr, nullptr, nullptr);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    ::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(RowImages()));
    for (int c = 0; c < 9; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH | LVCF_TEXT;
        col.cx = 60;
        char name[] = "col";
        col.pszText = name;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    std::vector<RowCells> cells;
    if (rows) cells = *rows;  // copied: the texts are handed over writable
    char text[] = "text";
    auto cell = [&](int i, int c) { return rows ? cells[i][c].data() : text; };
    if (!redraw) ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const auto t = Clock::now();
    for (int i = 0; i < n; ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.pszText = cell(i, 0);
        const int at = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < 9; ++c) {
            LVITEMA sub{};
            sub.mask = LVIF_TEXT;
            sub.iItem = at;
            sub.iSubItem = c;
            sub.pszText = cell(i, c);
            if (rows && c == 2) sub.mask |= LVIF_IMAGE;
            ::SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&sub));
        }
    }
    const double ms = MsSince(t);
    ::DestroyWindow(list);
    return ms;
}

// The cells of member records as the control shows them.
std::vector<RowCells> CellsOf(const std::vector<devserver::Bytes>& bodies) {
    std::vector<RowCells> rows;
    rows.reserve(bodies.size());
    for (const auto& body : bodies) {
        auto wire = ParseMemberWireRecord(body.data(), body.size());
        rows.push_back(MakeRowCells(BuildMemberRecord(*wire, &CleanMemberText)));
    }
    return rows;
}

// The dev server's own pace: a plain blocking client logs in, asks for the
// women's list and reads until `n` member records are in.
double PlainClientMs(const char* address, int n, char list) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(5200);
    to.sin_addr.s_addr = ::inet_addr(address);
    const auto t = Clock::now();
    if (::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::closesocket(s);
        return -1;
    }
    auto sendAll = [s](const ListPacket& p) { ::send(s, reinterpret_cast<const char*>(p.data()), static_cast<int>(p.size()), 0); };
    sendAll(BuildListLoginPacket("plain", "pw", "1,0,0,46"));
    // Reads what has arrived in large pieces and counts the whole packets in
    // it, so that the figure is the link's and the server's pace, not one
    // read per packet through wine.
    int records = 0;
    bool asked = false;
    ListFrameBuffer frames;
    PacketHeader h;
    std::vector<uint8_t> body;
    size_t length = 0;
    std::vector<uint8_t> chunk(256 * 1024);
    while (records < n) {
        const int r = ::recv(s, reinterpret_cast<char*>(chunk.data()), static_cast<int>(chunk.size()), 0);
        if (r <= 0) break;
        frames.Append(chunk.data(), static_cast<size_t>(r));
        while (frames.Next(&h, &body, &length)) {
            if (h.command == LIST_LOGIN && !asked) {
                sendAll(BuildListMembersPacket(list));
                asked = true;
            }
            if (h.command == LIST_MEMBERS && h.kind == KIND_SERVER) ++records;
        }
        if (frames.Broken()) break;
    }
    const double ms = MsSince(t);
    ::closesocket(s);
    return records == n ? ms : -1;
}

}  // namespace

// A whole list through the socket: the control is made, logs in, asks for
// the list and has all `n` rows.
void ThroughTheSocket(const char* address, const wchar_t* sex, char list, int n, double) {
    const double plainMs = PlainClientMs(address, n, list);
    std::printf("  %6d members: a plain blocking client (large reads) has them %.0f ms after connecting (%.2f us per packet)\n", n,
                plainMs, 1000.0 * plainMs / n);
    std::wstring wide(address, address + std::strlen(address));
    g_longestMessageMs = 0;
    g_longestMessage = 0;
    const auto t = Clock::now();
    auto hosted = HostControl(wide.c_str(), sex);
    const double madeMs = MsSince(t);
    double firstRowMs = -1;
    g_afterMessage = [&] {
        if (firstRowMs < 0 && hosted->control->RowCount() > 0) firstRowMs = MsSince(t);
    };
    while (hosted->control->RowCount() < n && MsSince(t) < 300000) {
        Pump();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    g_afterMessage = nullptr;
    const double ms = MsSince(t);
    // A repaint of the rows in view, once the list is whole.
    const auto painting = Clock::now();
    for (int k = 0; k < 3; ++k) {
        ::InvalidateRect(hosted->control->m_hWnd, nullptr, TRUE);
        ::UpdateWindow(hosted->control->m_hWnd);
    }
    const double repaintMs = MsSince(painting) / 3;
    const int rows = hosted->control->RowCount();
    // The list view's own insertion of exactly these rows, read back from the control.
    std::vector<RowCells> cells(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 9; ++c) {
            char text[512] = {};
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            ::SendMessageA(hosted->control->m_hWnd, LVM_GETITEMTEXTA, rows - 1 - r, reinterpret_cast<LPARAM>(&item));
            cells[r][c] = text;
        }
    const double rawMs = RawListViewMs(rows, false, &cells);
    std::printf("  %6d members: Rosterly lists %d of them %.0f ms after it was made (%.2f us per packet, login and "
                "drawing included) = %.2fx the list view's own insertion (%.0f ms); longest in one message %.1f ms\n",
                n, rows, ms, 1000.0 * ms / n, rawMs > 0 ? ms / rawMs : 0.0, rawMs, g_longestMessageMs);
    std::printf("          made and connected after %.0f ms, first row after %.0f ms, rows from the first to the last "
                "%.0f ms = %.2fx; longest message 0x%04x; a repaint of the rows in view %.1f ms\n",
                madeMs, firstRowMs, ms - firstRowMs, rawMs > 0 ? (ms - firstRowMs) / rawMs : 0.0, g_longestMessage,
                repaintMs);
    hosted->host.Close();
    Pump();
}

int main(int argc, char** argv) {
    const char* externalServer = nullptr;
    const char* largeServer = nullptr;  // the 100,000 men, when on a server of their own
    bool quick = false;  // only the lists through the socket
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc) externalServer = argv[++i];
        if (std::strcmp(argv[i], "--large-server") == 0 && i + 1 < argc) largeServer = argv[++i];
        if (std::strcmp(argv[i], "--socket-only") == 0) quick = true;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // figures as they come, also into a pipe
    ::OleInitialize(nullptr);
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(1, 1), &wsa);
    SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });  // "the connection is delayed"
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "RosterlyBenchPage";
    ::RegisterClassA(&wc);
    g_page = ::CreateWindowExA(0, wc.lpszClassName, "Rosterly bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 520,
                               nullptr, nullptr, wc.hInstance, nullptr);

    std::mt19937 rng(46);
    std::unique_ptr<Hosted> biggest;
    if (!quick) {
    // Drawing at each insertion is slow enough under wine that 100 rows tell it.
    std::printf("The list view alone, a row of nine texts inserted at the top: %.1f us drawing at each insertion "
                "(100 rows), %.1f us with drawing held (1000 rows)\n\n",
                10.0 * RawListViewMs(100, true), RawListViewMs(1000, false));
    std::printf("Rosterly under wine: member records applied to the real control (times in ms, per record in us);\n"
                "the list view's own insertion of the same rows (same texts and image) beside it\n\n");
    std::printf("%7s | %12s %9s %14s | %12s %9s %7s | %12s %12s\n", "rows", "fill total", "per 'A'", "last 1000 'A'",
                "list view", "per row", "ratio", "1000 'U'/'R'", "per change");
    for (int n : {1000, 5000, 20000, 100000}) {
        std::vector<devserver::Bytes> fill;
        fill.reserve(n);
        for (int i = 0; i < n; ++i) fill.push_back(Record(i, 'A', rng));
        auto hosted = HostControl();
        Pump();
        CRosterlyCtrl* c = hosted->control;
        auto t = Clock::now();
        Clock::time_point lastStart = t;
        for (int i = 0; i < n; ++i) {
            if (i == n - 1000) lastStart = Clock::now();
            c->ApplyMemberRecord(fill[i].data(), fill[i].size());
        }
        const double fillMs = MsSince(t);
        const double lastMs = MsSince(lastStart);
        const std::vector<RowCells> cells = CellsOf(fill);
        const double rawMs = RawListViewMs(n, false, &cells);

        // 1000 changes: updates of listed members and removals.
        std::vector<devserver::Bytes> changes;
        for (int k = 0; k < 1000; ++k) {
            const int who = static_cast<int>(rng() % n);
            changes.push_back(Record(who, k % 2 ? 'R' : 'U', rng));
        }
        t = Clock::now();
        for (const auto& r : changes) c->ApplyMemberRecord(r.data(), r.size());
        const double changeMs = MsSince(t);
        std::printf("%7d | %12.1f %9.2f %14.1f | %12.1f %9.2f %7.2f | %12.1f %12.2f   (%d rows left)\n", n, fillMs,
                    1000.0 * fillMs / n, lastMs, rawMs, 1000.0 * rawMs / n, fillMs / rawMs, changeMs, changeMs,
                    c->RowCount());
        Pump();
        if (n == 20000)
            biggest = std::move(hosted);
        else
            hosted->host.Close();
        Pump();
    }

    {
        // The control's own work per record, without the list view: parse,
        // convert the member texts, make the row's texts, find its row.
        std::vector<devserver::Bytes> fill;
        for (int i = 0; i < 20000; ++i) fill.push_back(Record(i, 'A', rng));
        MemberRowIndex index;
        auto t0 = Clock::now();
        for (const auto& body : fill) {
            auto wire = ParseMemberWireRecord(body.data(), body.size());
            auto record = std::make_unique<MemberRecord>(BuildMemberRecord(*wire, &CleanMemberText));
            RowCells cells = MakeRowCells(*record);
            index.Apply(std::move(record), false);
        }
        std::printf("\nThe control's own work per 'A' record (no list view), 20000 records: %.2f us\n",
                    1000.0 * MsSince(t0) / 20000);
        std::vector<const MemberRecord*> order = index.InRowOrder();
        for (int column : {1, 4, 8}) {
            SortKeyCollation collation;
            t0 = Clock::now();
            SortMemberRows(order, column, true, collation);
            std::printf("  sorting those 20000 records by column %d alone: %.1f ms\n", column, MsSince(t0));
        }
    }
    std::printf("\nSorting %d rows by each column (one click: ascending), ms:\n", biggest->control->RowCount());
    const char* names[] = {"status", "nickname", "webcam", "popularity", "age", "region", "album", "taste", "topic"};
    for (int column = 0; column < 9; ++column) {
        const auto t = Clock::now();
        biggest->control->OnColumnClick(column);
        const double ms = MsSince(t);
        Pump();
        std::printf("  column %d %-10s %8.1f\n", column, names[column], ms);
    }
    const auto t = Clock::now();
    biggest->control->OnColumnClick(8);
    std::printf("  column 8 again (descending) %8.1f\n", MsSince(t));
    biggest->host.Close();
    Pump();

    }  // !quick

    // Whole lists through the socket: the server pushes one packet per member
    // after the login, the control reads them from its message loop. The list
    // view's own insertion of rows like these is measured first.
    std::printf("\nThrough the socket from %s dev server:\n", externalServer ? "a native" : "an in-process");
    if (externalServer) {
        // Its script lists 20,000 women (asked for by a man) and 100,000 men.
        ThroughTheSocket(externalServer, L"man", 'F', 20000, 0);
        ThroughTheSocket(largeServer ? largeServer : externalServer, L"woman", 'M', 100000, 0);
    } else {
        devserver::DevServerOptions options;
        options.bindAddress = "127.1.254.254";
        options.trayPort = 0;
        options.listEnabled = true;
        options.logSink = [](const std::string&) {};
        devserver::DevServer server(options);
        server.Start();
        for (int i = 0; i < 20000; ++i) {
            devserver::MemberProfile p = devserver::DefaultProfile("s" + std::to_string(i));
            p.sex = 'F';
            server.SetMember(p);
            server.MemberList().Population().Put(devserver::ListedMember{p.id, i % 4 == 0, 3, ""});
        }
        ThroughTheSocket("127.1.254.254", L"man", 'F', 20000, 0);
        server.Stop();
    }
    ::DestroyWindow(g_page);
    ::OleUninitialize();
    return 0;
}
