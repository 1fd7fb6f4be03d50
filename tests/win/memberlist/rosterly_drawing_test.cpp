// Painting and sorting: the cells' colours, stripes and icons read back from
// the screen, the header's arrow, and sorting by header clicks.
#include "rosterly_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "list_header_geometry.h"
#include "roster_colours.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class ListDrawing : public RosterlyTest {
protected:
    HWND HeaderOf(CRosterlyCtrl* c) { return reinterpret_cast<HWND>(::SendMessageA(c->m_hWnd, LVM_GETHEADER, 0, 0)); }
    RECT HeaderItem(CRosterlyCtrl* c, int column) {
        RECT rc{};
        ::SendMessageA(HeaderOf(c), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    // A click on a header item, as the viewer makes it.
    void ClickHeader(CRosterlyCtrl* c, int column) {
        const RECT rc = HeaderItem(c, column);
        const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        HWND header = HeaderOf(c);
        ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(header, WM_LBUTTONUP, 0, at);
        PumpFor(50);
    }
    std::vector<std::string> Column(CRosterlyCtrl* c, int column) {
        std::vector<std::string> out;
        for (int r = 0; r < c->RowCount(); ++r) out.push_back(Cell(c, r, column));
        return out;
    }
    // The colour on the screen at a point of a window.
    static COLORREF PixelAt(HWND hwnd, int x, int y) {
        ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpFor(30);
        HDC dc = ::GetDC(hwnd);
        const COLORREF colour = ::GetPixel(dc, x, y);
        ::ReleaseDC(hwnd, dc);
        return colour;
    }
    // The same for the list, once no burst of records holds its drawing (a held
    // list would leave the last picture in place). A list that never draws
    // again fails here, whatever its last picture shows.
    static COLORREF SettledPixelAt(CRosterlyCtrl* c, int x, int y) {
        EXPECT_TRUE(PumpUntil([&] { return !c->DrawingHeld(); }, 2000)) << "the list never draws again";
        return PixelAt(c->m_hWnd, x, y);
    }
    RECT CellRect(CRosterlyCtrl* c, int row, int column) {
        RECT rc{};
        rc.top = column;
        rc.left = LVIR_BOUNDS;
        ::SendMessageA(c->m_hWnd, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    // A blank spot of a cell: its left end (the popularity column is centred).
    COLORREF CellBackground(CRosterlyCtrl* c, int row) {
        const RECT rc = CellRect(c, row, 3);
        return SettledPixelAt(c, rc.left + 2, (rc.top + rc.bottom) / 2);
    }
};

TEST_F(ListDrawing, ThreeClicksOnAgeSortAscendingDescendingAscending) {
    StartServer();
    for (const auto& [id, age] : std::vector<std::pair<std::string, int>>{{"a", 31}, {"b", 9}, {"c", 100}, {"d", 10}}) {
        SetMember(id, 'F', id, age);
        List(id);
    }
    CRosterlyCtrl* c = HostViewer(L"man", 4);
    ClickHeader(c, 4);
    EXPECT_EQ((std::vector<std::string>{"9", "10", "31", "100"}), Column(c, 4));
    EXPECT_EQ(4, c->Header().SortedColumn());
    EXPECT_TRUE(c->Header().SortAscending());
    ClickHeader(c, 4);
    EXPECT_EQ((std::vector<std::string>{"100", "31", "10", "9"}), Column(c, 4));
    EXPECT_FALSE(c->Header().SortAscending());
    ClickHeader(c, 4);
    EXPECT_EQ((std::vector<std::string>{"9", "10", "31", "100"}), Column(c, 4));
    ClickHeader(c, 1);  // another column starts ascending
    EXPECT_EQ(1, c->Header().SortedColumn());
    EXPECT_TRUE(c->Header().SortAscending());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Column(c, 1));
}

TEST_F(ListDrawing, PointsSortAsNumbersNotAsTheGroupedTexts) {
    StartServer();
    SetMember("rich", 'M', "rich", 30, 1000);
    SetMember("poor", 'M', "poor", 30, 999);
    SetMember("debt", 'M', "debt", 30, -5);
    for (const char* id : {"rich", "poor", "debt"}) List(id);
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    ClickHeader(c, 6);
    EXPECT_EQ((std::vector<std::string>{"-5", "999", "1,000"}), Column(c, 6));
}

TEST_F(ListDrawing, EqualNicknamesAreOrderedByStatusForMenThenByStamp) {
    StartServer();
    for (const char* id : {"w1", "w2", "w3"}) SetMember(id, 'F', "same");
    List("w1", false, 0, "2024/5/1/10/0/10");
    List("w2", true, 0, "2024/5/1/10/0/2");
    List("w3", false, 0, "2024/5/1/9/59/59");
    CRosterlyCtrl* women = HostViewer(L"man", 3);
    ClickHeader(women, 1);
    EXPECT_EQ((std::vector<std::string>{"w3", "w2", "w1"}), RowIds(women));  // stamps only
    ClickHeader(women, 1);
    EXPECT_EQ((std::vector<std::string>{"w1", "w2", "w3"}), RowIds(women));
    CloseHosted(main);
    PumpFor(50);

    for (const char* id : {"m1", "m2", "m3"}) SetMember(id, 'M', "same");
    List("m1", false, 0, "2024/5/1/10/0/10");
    List("m2", true, 0, "2024/5/1/10/0/2");
    List("m3", false, 0, "2024/5/1/9/59/59");
    CRosterlyCtrl* men = HostViewer(L"woman", 3);
    ClickHeader(men, 1);
    // "0:대기중" sorts before "0:대화중" in the Korean order, then the stamps.
    EXPECT_EQ((std::vector<std::string>{"m3", "m1", "m2"}), RowIds(men));
}

TEST_F(ListDrawing, RowsChangedAfterASortAreReplacedAndRemovedWhereTheyStand) {
    StartServer();
    for (int i = 0; i < 30; ++i) {
        const std::string id = "p" + std::to_string(i);
        SetMember(id, 'F', id, 20 + (i * 7) % 30);
        List(id);
    }
    CRosterlyCtrl* c = HostViewer(L"man", 30);
    ClickHeader(c, 4);
    ClickHeader(c, 4);
    const std::vector<std::string> sorted = RowIds(c);
    const int at = RowOf(c, "p13");
    server->MemberList().UpdateMember("p13", [](devserver::ListedMember& m) { m.chatting = true; });
    ASSERT_TRUE(PumpUntil([&] { return Cell(c, at, 0) == "1"; }, 3000));
    EXPECT_EQ(sorted, RowIds(c));

    server->MemberList().RemoveMember("p4");
    ASSERT_TRUE(WaitRows(c, 29));
    std::vector<std::string> expected = sorted;
    expected.erase(std::find(expected.begin(), expected.end(), "p4"));
    EXPECT_EQ(expected, RowIds(c));

    SetMember("late", 'F', "late", 99);
    List("late");
    ASSERT_TRUE(WaitRows(c, 30));
    EXPECT_EQ("late", RowIds(c)[0]);  // new members go on top, out of sort order
}

TEST_F(ListDrawing, RowsAreStripedAndSelectionKeepsAColourWithoutFocus) {
    StartServer();
    for (const char* id : {"a", "b", "c"}) {
        SetMember(id, 'F');
        List(id);
    }
    CRosterlyCtrl* c = HostViewer(L"man", 3);
    EXPECT_EQ(kEvenRowColour, CellBackground(c, 0));
    EXPECT_EQ(kStripeColour, CellBackground(c, 1));
    EXPECT_EQ(kEvenRowColour, CellBackground(c, 2));

    ::SetFocus(c->m_hWnd);
    Select(c, 1);
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), CellBackground(c, 1));
    ::SetFocus(window);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), CellBackground(c, 1));
    Select(c, -1);

    // The stripe follows the row index: a new member on top shifts them.
    const std::string first = RowIds(c)[0];
    SetMember("top", 'F');
    List("top");
    ASSERT_TRUE(WaitRows(c, 4));
    EXPECT_EQ(first, RowIds(c)[1]);  // from the white row 0 to the striped row 1
    EXPECT_EQ(kStripeColour, CellBackground(c, 1));
    EXPECT_EQ(kEvenRowColour, CellBackground(c, 0));
}

// A list arrives as one record per packet; the list stops drawing for the
// burst and must draw again once it is over, whether the records came
// through the socket or one after another in a single message.
TEST_F(ListDrawing, ListDrawsAgainAfterABurstOfRecords) {
    StartServer();
    for (int i = 0; i < 60; ++i) {
        const std::string id = "b" + std::to_string(i);
        SetMember(id, 'F');
        List(id);
    }
    CRosterlyCtrl* c = HostViewer(L"man", 60);
    PumpFor(300);  // longer than any burst holds the list
    EXPECT_EQ(kEvenRowColour, CellBackground(c, 0));
    EXPECT_EQ(kStripeColour, CellBackground(c, 1));

    server->MemberList().UpdateMember("b7", [](devserver::ListedMember& m) { m.chatting = true; });
    server->MemberList().RemoveMember("b8");
    ASSERT_TRUE(WaitRows(c, 59));
    PumpFor(300);  // longer than any burst holds the list
    // The row below the removed one moved up and took its stripe.
    const int below = RowOf(c, "b7") + 1;
    EXPECT_EQ(below % 2 ? kStripeColour : kEvenRowColour, CellBackground(c, below));

    // Records applied back to back, without a message between them.
    for (int i = 0; i < 20; ++i) {
        devserver::MemberProfile p = devserver::DefaultProfile("d" + std::to_string(i));
        p.sex = 'F';
        const devserver::Bytes body = devserver::BuildListRecord(p, devserver::ListedMember{p.id, false, 0, ""}, {}, 'A');
        c->ApplyMemberRecord(body.data(), body.size());
    }
    EXPECT_EQ(79, c->RowCount());
    PumpFor(300);  // longer than any burst holds the list
    EXPECT_EQ("d19", RowIds(c)[0]);
    EXPECT_EQ(kStripeColour, CellBackground(c, 1));
}

// The rows a list had at each of its paints, seen from a window procedure
// put in front of the control's own.
class PaintWatch {
public:
    explicit PaintWatch(HWND watched) : watched_(watched) {
        s_rows.clear();
        s_previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(watched, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
    }
    ~PaintWatch() { ::SetWindowLongPtrA(watched_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_previous)); }
    static const std::vector<int>& RowsAtPaints() { return s_rows; }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        if (message == WM_PAINT) s_rows.push_back(static_cast<int>(::CallWindowProcA(s_previous, hwnd, LVM_GETITEMCOUNT, 0, 0)));
        return ::CallWindowProcA(s_previous, hwnd, message, w, l);
    }
    HWND watched_;
    static inline WNDPROC s_previous = nullptr;
    static inline std::vector<int> s_rows;
};

TEST_F(ListDrawing, ALongListIsSeenGrowingWhileItKeepsArriving) {
    StartServer();
    CRosterlyCtrl* c = HostViewer(L"man");
    PumpFor(100);
    // More rows at once than the control applies in well over its longest
    // hold, so that its reader never runs out of work until the end.
    const int n = 40000;
    devserver::Bytes list;
    for (int i = 0; i < n; ++i) {
        devserver::MemberProfile p = devserver::DefaultProfile("g" + std::to_string(i));
        p.sex = 'F';
        const devserver::Bytes packet = devserver::FramePacket(
            LIST_MEMBERS, KIND_SERVER, devserver::BuildListRecord(p, {p.id}, {}, 'A'));
        list.insert(list.end(), packet.begin(), packet.end());
    }
    PaintWatch paints(c->m_hWnd);
    ASSERT_TRUE(server->SendRaw("list:viewer", list));
    ASSERT_TRUE(WaitRows(c, n, 60000));
    const std::vector<int>& rows = PaintWatch::RowsAtPaints();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](int r) { return r > 0 && r < n; }))
        << "the list was painted only once it was whole";
    EXPECT_TRUE(PumpUntil([&] { return !c->DrawingHeld(); }, 2000)) << "the whole list is never drawn";
    EXPECT_EQ("g39999", RowIds(c)[0]);
}

// The page makes the window again while a mode change holds the list's
// drawing: the new window lists and paints its rows, striped.
TEST_F(ListDrawing, AListMadeAgainDuringAHeldBurstPaintsItsRows) {
    StartServer();
    for (const char* id : {"a", "b", "c", "d", "e"}) {
        SetMember(id, 'F');
        List(id);
    }
    CRosterlyCtrl* c = HostViewer(L"man", 5);
    c->SetTextLabel("woman");  // held until the thread gets to it, which it will not in this window
    ASSERT_TRUE(c->DrawingHeld());
    IOleInPlaceObject* inPlace = nullptr;
    ASSERT_TRUE(SUCCEEDED(main.host->Control()->QueryInterface(IID_IOleInPlaceObject,
                                                               reinterpret_cast<void**>(&inPlace))));
    inPlace->InPlaceDeactivate();
    inPlace->Release();
    ASSERT_EQ(nullptr, c->m_hWnd);
    ASSERT_TRUE(SUCCEEDED(main.host->Activate()));
    ASSERT_TRUE(WaitRows(c, 5));
    EXPECT_EQ(kStripeColour, CellBackground(c, 1));
    EXPECT_EQ(kEvenRowColour, CellBackground(c, 2));
}

TEST_F(ListDrawing, StatusAndWebcamCodesArePaintedAsIcons) {
    StartServer();
    SetMember("cam", 'F');
    List("cam", true);
    CRosterlyCtrl* c = HostViewer(L"man", 1);
    // Icons are drawn at the cell's left edge plus 6 and its top: the
    // chatting badge (208) is orange, the webcam (217) blue (see res/make_icons.py).
    RECT row{};
    row.left = LVIR_BOUNDS;
    ::SendMessageA(c->m_hWnd, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    EXPECT_EQ(RGB(232, 119, 46), SettledPixelAt(c, row.left + 6 + 3, row.top + 10));
    EXPECT_EQ(kEvenRowColour, SettledPixelAt(c, row.left + 2, row.top + 10));  // left of the icon
    const RECT cam = CellRect(c, 0, 2);
    EXPECT_EQ(RGB(45, 110, 200), SettledPixelAt(c, cam.left + 6 + 12, cam.top + 8));
}

TEST_F(ListDrawing, HeaderIsPaintedInTheStripeColourWithTheArrowOnTheSortedColumn) {
    StartServer();
    SetMember("a", 'F');
    List("a");
    CRosterlyCtrl* c = HostViewer(L"man", 1);
    HWND header = HeaderOf(c);
    RECT item = HeaderItem(c, 5);
    EXPECT_EQ(kStripeColour, PixelAt(header, item.right - 3, item.top + 2));
    ClickHeader(c, 5);
    item = HeaderItem(c, 5);
    HeaderArrow up = HeaderSortArrow(HeaderRect{item.left, item.top, item.right, item.bottom}, true);
    // The first point of each pen's line (the end point is not drawn).
    EXPECT_EQ(::GetSysColor(COLOR_3DHILIGHT), PixelAt(header, up.highlight[0].x, up.highlight[0].y));
    EXPECT_EQ(::GetSysColor(COLOR_3DSHADOW), PixelAt(header, up.shadow[0].x, up.shadow[0].y));
    ClickHeader(c, 5);
    HeaderArrow down = HeaderSortArrow(HeaderRect{item.left, item.top, item.right, item.bottom}, false);
    EXPECT_EQ(::GetSysColor(COLOR_3DHILIGHT), PixelAt(header, down.highlight[0].x, down.highlight[0].y));
    EXPECT_EQ(::GetSysColor(COLOR_3DSHADOW), PixelAt(header, down.shadow[1].x, down.shadow[1].y));
    // An unsorted column has no arrow.
    const RECT other = HeaderItem(c, 4);
    HeaderArrow none = HeaderSortArrow(HeaderRect{other.left, other.top, other.right, other.bottom}, true);
    EXPECT_EQ(kStripeColour, PixelAt(header, none.highlight[0].x, none.highlight[0].y));
}

}  // namespace
