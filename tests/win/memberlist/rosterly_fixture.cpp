#include "rosterly_fixture.h"
#include "text_conversion.h"

#include <commctrl.h>
#include <ole2.h>

#include <functional>

#include "list_module.h"
#include "ole_factory.h"
#include "ole_text.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {
// The tests run in an OLE apartment, as a browser's user-interface thread does.
class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const g_ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);
}  // namespace

std::vector<ShownMenuItem> ReadMenu(HMENU menu, int depth) {
    std::vector<ShownMenuItem> items;
    const int n = ::GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, i, MF_BYPOSITION);
        HMENU sub = ::GetSubMenu(menu, i);
        items.push_back({sub ? 0u : ::GetMenuItemID(menu, i), Utf8FromWide(text), !(state & (MF_GRAYED | MF_DISABLED)), depth});
        if (sub)
            for (const ShownMenuItem& s : ReadMenu(sub, depth + 1)) items.push_back(s);
    }
    return items;
}

HWND RosterlyTest::s_page = nullptr;

void RosterlyTest::TearDownTestSuite() {
    if (s_page) ::DestroyWindow(s_page);
    s_page = nullptr;
}

void RosterlyTest::SetUpTestSuite() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(1, 1), &data);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "RosterlyTestPage";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassA(&wc);
}

void RosterlyTest::SetUp() {
    // 127.1.x.y from the test's name: tests never share the list port.
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const size_t h = std::hash<std::string>()(std::string(info->test_suite_name()) + "." + info->name());
    address = "127.1." + std::to_string(1 + h % 250) + "." + std::to_string(1 + (h / 250) % 250);
    // One page window for all tests: destroying a shown top-level window costs wine about two seconds.
    if (!s_page)
        s_page = ::CreateWindowExA(0, "RosterlyTestPage", "Rosterly test page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                   0, 900, 520, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    window = s_page;
    previousMenu = SetPopupMenuHandler([this](const PopupMenuRequest& r) {
        menus.push_back(r);
        lastMenu = ReadMenu(r.menu);
        return menuAnswer;
    });
    previousBrowser = SetBrowserSeam(BrowserSeam{
        [this](const BrowserNavigation& n) {
            navigations.push_back(n);
            BrowserResult result;
            result.navigateResult = navigateResult;
            return result;
        },
        [](const ShellOpenRequest&) { return true; }});
    previousSound = SetSoundHandler([this](const SoundRequest& s) { sounds.push_back(s); });
}

void RosterlyTest::TearDown() {
    CloseHosted(main);
    // Held references go from the message loop.
    PumpFor(50);
    EXPECT_EQ(0, LiveControlCount()) << "a control outlived its test";
    if (server) server->Stop();
    SetPopupMenuHandler(previousMenu);
    SetBrowserSeam(previousBrowser);
    SetSoundHandler(previousSound);
}

void RosterlyTest::StartServer() {
    devserver::DevServerOptions options;
    options.bindAddress = address;
    options.trayPort = 0;
    options.listEnabled = true;
    options.listPort = 5200;
    options.logSink = [](const std::string&) {};
    server = std::make_unique<devserver::DevServer>(options);
    std::string error;
    ASSERT_TRUE(server->Start(&error)) << error;
}

RosterlyTest::Hosted RosterlyTest::Host(std::map<std::wstring, std::wstring> params) {
    Hosted h;
    if (!params.count(L"SERVERIP")) params[L"SERVERIP"] = WideFromUtf8(address);
    IUnknown* object = nullptr;
    EXPECT_TRUE(SUCCEEDED(CreateComObject<CRosterlyCtrl>(IID_IUnknown, reinterpret_cast<void**>(&object))));
    if (!object) return h;
    h.control = static_cast<CRosterlyCtrl*>(static_cast<IOleObject*>(object));
    h.host = std::make_unique<CControlHost>();
    EXPECT_TRUE(SUCCEEDED(h.host->Attach(object)));
    object->Release();
    for (const auto& [name, value] : params) h.host->SetParam(name, value);
    const RECT position = {0, 0, 880, 480};
    EXPECT_TRUE(SUCCEEDED(h.host->Load(window, position)));
    EXPECT_TRUE(SUCCEEDED(h.host->Activate()));
    return h;
}

CRosterlyCtrl* RosterlyTest::HostViewer(const std::wstring& sex, int rows) {
    if (!server) StartServer();
    main = Host({{L"SEX", sex}, {L"ID", L"viewer"}, {L"PWD", L"pw"}});
    EXPECT_TRUE(main.control && main.control->IsConnected());
    EXPECT_TRUE(WaitRequests(devserver::LIST_MEMBERS, 1));
    if (rows) {
        EXPECT_TRUE(WaitRows(main.control, rows));
    }
    return main.control;
}

void RosterlyTest::CloseHosted(Hosted& hosted) {
    if (hosted.host) hosted.host->Close();
    hosted.host.reset();
    hosted.control = nullptr;
}

void RosterlyTest::SetMember(const std::string& id, char sex, const std::string& nick, int age, int points,
                             int taste) {
    devserver::MemberProfile p = server->GetMember(id);
    p.sex = sex;
    p.nickname = nick.empty() ? id : nick;
    p.age = static_cast<int16_t>(age);
    p.points = points;
    p.taste = static_cast<int16_t>(taste);
    server->SetMember(p);
}

void RosterlyTest::List(const std::string& id, bool chatting, int album, const std::string& stamp) {
    devserver::ListedMember m;
    m.id = id;
    m.chatting = chatting;
    m.albumCount = static_cast<int16_t>(album);
    m.stamp = stamp;
    server->MemberList().PutMember(m);
}

std::string RosterlyTest::Cell(CRosterlyCtrl* c, int row, int column) const {
    wchar_t text[260] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 260;
    ::SendMessageW(c->m_hWnd, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return Utf8FromWide(text);
}

std::vector<std::vector<std::string>> RosterlyTest::Cells(CRosterlyCtrl* c) const {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < c->RowCount(); ++r) {
        std::vector<std::string> cells;
        for (int col = 0; col < 9; ++col) cells.push_back(Cell(c, r, col));
        rows.push_back(cells);
    }
    return rows;
}

std::vector<std::string> RosterlyTest::RowIds(CRosterlyCtrl* c) const {
    std::vector<std::string> ids;
    for (int r = 0; r < c->RowCount(); ++r) {
        const MemberRecord* record = c->GetSelectedRecord(r);
        ids.push_back(record ? record->id : "?");
    }
    return ids;
}

int RosterlyTest::RowOf(CRosterlyCtrl* c, const std::string& id) const {
    const std::vector<std::string> ids = RowIds(c);
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == id) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> RosterlyTest::ColumnNames(CRosterlyCtrl* c) const {
    std::vector<std::string> names;
    HWND header = reinterpret_cast<HWND>(::SendMessageA(c->m_hWnd, LVM_GETHEADER, 0, 0));
    const int n = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        ::SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        names.push_back(Utf8FromWide(text));
    }
    return names;
}

bool RosterlyTest::WaitRows(CRosterlyCtrl* c, int count, DWORD ms) {
    return PumpUntil([&] { return c->RowCount() == count; }, ms);
}

bool RosterlyTest::WaitRequests(uint16_t command, size_t count, DWORD ms) {
    return PumpUntil([&] { return Requests(command) >= count; }, ms);
}

void RosterlyTest::Select(CRosterlyCtrl* c, int row) {
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(c->m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    if (row < 0) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(c->m_hWnd, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void RosterlyTest::ToViewer(uint16_t command, uint16_t kind, const devserver::Bytes& body) {
    ASSERT_TRUE(server->Send("list:viewer", command, kind, body));
}
