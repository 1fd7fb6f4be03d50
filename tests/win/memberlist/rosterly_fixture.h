// Hosts the member list control in this process the way a page does (PARAM
// values, in-place activation in a window) against the development server's
// member list port, with every seam answered: message boxes, the pop-up menu,
// the browser and sounds. Each test gets a loopback address of its own, so
// that the fixed port 5200 never clashes between tests.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browser_seam.h"
#include "control_host.h"
#include "dev_server.h"
#include "popup_menu_seam.h"
#include "rosterly_ctrl.h"
#include "sound_seam.h"
#include "win_test_support.h"

// What the pop-up menu showed: every item of the pop-up and its sub-menus.
struct ShownMenuItem {
    UINT id;          // 0 for a sub-menu
    std::string text;
    bool enabled;
    int depth;        // 0 in the pop-up, 1 in a sub-menu
};
std::vector<ShownMenuItem> ReadMenu(HMENU menu, int depth = 0);

class RosterlyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The dev server on this test's address, list port 5200, tray port free.
    void StartServer();
    std::string Address() const { return address; }

    struct Hosted {
        std::unique_ptr<CControlHost> host;
        CRosterlyCtrl* control = nullptr;
        HWND Window() const { return control ? control->m_hWnd : nullptr; }
    };
    // A control with these PARAM values ("SERVERIP" defaults to the test's address).
    Hosted Host(std::map<std::wstring, std::wstring> params);
    // The usual viewer: "viewer"/"pw", of the given sex, logged in and asked
    // for its first list; its rows are in once `rows` rows are listed.
    CRosterlyCtrl* HostViewer(const std::wstring& sex, int rows = 0);
    void CloseHosted(Hosted& hosted);

    // Member population of the server.
    void SetMember(const std::string& id, char sex, const std::string& nick = "", int age = 25, int points = 0,
                   int taste = -1);
    void List(const std::string& id, bool chatting = false, int album = 0, const std::string& stamp = "");

    // The list view's rows: cell texts by row, ids in row order.
    std::vector<std::vector<std::string>> Cells(CRosterlyCtrl* c) const;
    std::vector<std::string> RowIds(CRosterlyCtrl* c) const;
    std::string Cell(CRosterlyCtrl* c, int row, int column) const;
    std::vector<std::string> ColumnNames(CRosterlyCtrl* c) const;
    bool WaitRows(CRosterlyCtrl* c, int count, DWORD ms = 5000);
    int RowOf(CRosterlyCtrl* c, const std::string& id) const;
    void Select(CRosterlyCtrl* c, int row);

    size_t Requests(uint16_t command) const { return server->CountReceived(command, "viewer"); }
    bool WaitRequests(uint16_t command, size_t count, DWORD ms = 5000);

    // Sends a packet to the viewer's list session.
    void ToViewer(uint16_t command, uint16_t kind, const devserver::Bytes& body);

    std::unique_ptr<devserver::DevServer> server;
    std::string address;
    HWND window = nullptr;
    Hosted main;
    testing_support::MessageBoxRecorder boxes;
    std::vector<PopupMenuRequest> menus;
    std::vector<ShownMenuItem> lastMenu;
    UINT menuAnswer = 0;  // the command the viewer picks, 0 to dismiss
    std::vector<BrowserNavigation> navigations;
    HRESULT navigateResult = S_OK;
    std::vector<SoundRequest> sounds;

private:
    static HWND s_page;
    BrowserSeam previousBrowser;
    PopupMenuHandler previousMenu;
    SoundHandler previousSound;
};
