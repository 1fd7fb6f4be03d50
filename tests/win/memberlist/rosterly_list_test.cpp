// The member list's rows and modes, fed by the development server.
#include "list_module.h"
#include "text_conversion.h"
#include "rosterly_fixture.h"
#include "rosterly_texts.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class ListRows : public RosterlyTest {
protected:
    void Population() {
        StartServer();
        SetMember("amy", 'F', u8"에이미", 24);
        SetMember("bora", 'F', u8"A&B", 31);
        SetMember("jun", 'M', u8"준호", 33, 1234567, 4);
        SetMember("min", 'M', u8"민수", 41, -1234, 99);
        SetMember("tae", 'M', u8"태양", 35, -123, -1);
        for (const char* id : {"amy", "bora", "jun", "min", "tae"}) List(id);
    }
};

TEST_F(ListRows, WomanStartsWithPointColumnsAndListsOnlyMen) {
    Population();
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    EXPECT_EQ('M', server->Received().back().body[0]);  // the list request asks for men
    const std::vector<std::string> names = ColumnNames(c);
    ASSERT_EQ(9u, names.size());
    EXPECT_EQ("포인트", names[6]);
    EXPECT_EQ("대화주제", names[8]);
    PumpFor(200);
    std::vector<std::string> ids = RowIds(c);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ((std::vector<std::string>{"jun", "min", "tae"}), ids);
}

TEST_F(ListRows, ManOrEmptySexStartsWithAlbumColumnsAndListsOnlyWomen) {
    Population();
    for (const wchar_t* sex : {L"man", L""}) {
        CRosterlyCtrl* c = HostViewer(sex, 2);
        EXPECT_EQ("앨범", ColumnNames(c)[6]);
        PumpFor(200);
        EXPECT_EQ(2, c->RowCount());
        EXPECT_TRUE(c->GetSelectedRecord(0)->isFemale);
        CloseHosted(main);
        PumpFor(50);
    }
}

TEST_F(ListRows, CellsShowIconCodesGroupedPointsTasteNamesAndTheDisplayForm) {
    Population();
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    const std::vector<std::string> jun = Cells(c)[RowOf(c, "jun")];
    EXPECT_EQ("0", jun[0]);          // waiting
    EXPECT_EQ("준호", jun[1]);
    EXPECT_EQ("2", jun[2]);          // the dev server's members have webcams
    EXPECT_EQ("33", jun[4]);
    EXPECT_EQ("1,234,567", jun[6]);
    EXPECT_EQ("기타", jun[7]);
    EXPECT_EQ("-1,234", Cell(c, RowOf(c, "min"), 6));
    EXPECT_EQ("99", Cell(c, RowOf(c, "min"), 7));  // a code without a name stays a number
    EXPECT_EQ("-,123", Cell(c, RowOf(c, "tae"), 6));
    EXPECT_EQ("", Cell(c, RowOf(c, "tae"), 7));
    // The texts live in the records and are handed out on request: in UTF-16
    // too, and cut to a short buffer between characters.
    wchar_t wide[16] = {};
    LVITEMW w{};
    w.iSubItem = 1;
    w.pszText = wide;
    w.cchTextMax = 16;
    ::SendMessageW(c->m_hWnd, LVM_GETITEMTEXTW, RowOf(c, "jun"), reinterpret_cast<LPARAM>(&w));
    EXPECT_EQ(std::wstring(L"준호"), wide);
    // An ANSI caller gets the system's code page.
    char narrow[16] = {};
    LVITEMA a{};
    a.iSubItem = 1;
    a.pszText = narrow;
    a.cchTextMax = 16;
    ::SendMessageA(c->m_hWnd, LVM_GETITEMTEXTA, RowOf(c, "jun"), reinterpret_cast<LPARAM>(&a));
    EXPECT_EQ(Narrow(CP_ACP, L"준호"), std::string(narrow));

    CloseHosted(main);
    PumpFor(50);
    c = HostViewer(L"man", 2);
    EXPECT_EQ("A&&B", Cell(c, RowOf(c, "bora"), 1));  // shown as A&B
}

// Also run under an English and a UTF-8 system code page.
TEST_F(ListRows, MemberTextsKeepEveryCharacterWhateverTheSystemCodePage) {
    StartServer();
    SetMember("zoe", 'F', u8"Zoë😀中", 29);
    SetMember("amy", 'F', u8"에이미", 24);
    for (const char* id : {"zoe", "amy"}) List(id);
    CRosterlyCtrl* c = HostViewer(L"man", 2);
    EXPECT_EQ("닉네임", ColumnNames(c)[1]);
    EXPECT_EQ(u8"Zoë😀中", Cell(c, RowOf(c, "zoe"), 1));
    EXPECT_EQ(u8"에이미", Cell(c, RowOf(c, "amy"), 1));
}

TEST_F(ListRows, AddOfListedMemberReplacesInPlaceAndNewOnesGoOnTop) {
    Population();
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    const std::vector<std::string> before = RowIds(c);
    const int at = RowOf(c, "min");
    List("min", true);  // listed: 'U' from the server; send an 'A' as well
    server->MemberList().Push("min", 'A');
    PumpFor(300);
    EXPECT_EQ(before, RowIds(c));
    EXPECT_EQ("1", Cell(c, at, 0));  // now chatting, in the same row

    SetMember("new", 'M');
    List("new");
    ASSERT_TRUE(WaitRows(c, 4));
    EXPECT_EQ("new", RowIds(c)[0]);
}

TEST_F(ListRows, UpdateOfAnUnlistedMemberIsDroppedAndRemovalWorksInEveryMode) {
    Population();
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    SetMember("ghost", 'M');
    server->MemberList().Population().Put(devserver::ListedMember{"ghost", false, 0, ""});
    server->MemberList().Push("ghost", 'U');
    PumpFor(300);
    EXPECT_EQ(-1, RowOf(c, "ghost"));

    server->MemberList().RemoveMember("jun");
    ASSERT_TRUE(WaitRows(c, 2));
    EXPECT_EQ(-1, RowOf(c, "jun"));

    // Removal in buddy mode too, whatever the member's sex.
    server->MemberList().SetRelation("viewer", "min", devserver::MemberRelation{false, false, true});
    c->SetTextBuddy("B");
    ASSERT_TRUE(WaitRows(c, 1));
    EXPECT_EQ("min", RowIds(c)[0]);
    server->MemberList().RemoveMember("min");
    ASSERT_TRUE(WaitRows(c, 0));
}

TEST_F(ListRows, ShortOrUnknownRecordsAreDroppedSilently) {
    Population();
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    devserver::Bytes record = devserver::BuildListRecord(server->GetMember("jun"), {"zed", false, 0, "1"}, {}, 'A');
    record[1] = 'M';
    devserver::Bytes shortRecord(record.begin(), record.end() - 1);
    ToViewer(devserver::LIST_MEMBERS, 4, shortRecord);
    record[0] = 'X';
    ToViewer(devserver::LIST_MEMBERS, 4, record);
    ToViewer(devserver::LIST_MEMBERS, 4, {});
    PumpFor(300);
    EXPECT_EQ(3, c->RowCount());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ListRows, BuddyTwiceClearsAndRequestsOnlyOnce) {
    Population();
    server->MemberList().SetRelation("viewer", "jun", devserver::MemberRelation{false, false, true});
    server->MemberList().SetRelation("viewer", "amy", devserver::MemberRelation{false, false, true});
    CRosterlyCtrl* c = HostViewer(L"woman", 3);
    c->SetTextBuddy("B");
    ASSERT_TRUE(WaitRequests(devserver::LIST_MEMBERS, 2));
    ASSERT_TRUE(WaitRows(c, 1));  // the woman's buddy list takes men only
    EXPECT_EQ("jun", RowIds(c)[0]);
    EXPECT_EQ("포인트", ColumnNames(c)[6]);
    c->SetTextBuddy("B");
    PumpFor(300);
    EXPECT_EQ(2u, Requests(devserver::LIST_MEMBERS));
    EXPECT_EQ(1, c->RowCount());  // not cleared either
    EXPECT_TRUE(c->Mode().buddyMode);
}

TEST_F(ListRows, SexValuesSwitchListsAndLabelBuddyFiltersAsASexList) {
    Population();
    CRosterlyCtrl* c = HostViewer(L"man", 2);
    c->SetTextLabel("woman");  // above "man": the male list
    ASSERT_TRUE(WaitRequests(devserver::LIST_MEMBERS, 2));
    EXPECT_EQ('M', server->Received().back().body[0]);
    ASSERT_TRUE(WaitRows(c, 3));
    EXPECT_EQ("포인트", ColumnNames(c)[6]);

    server->MemberList().SetRelation("viewer", "amy", devserver::MemberRelation{false, false, true});
    server->MemberList().SetRelation("viewer", "jun", devserver::MemberRelation{false, false, true});
    c->SetTextLabel("B");  // asks for the buddy list, then leaves buddy mode
    ASSERT_TRUE(WaitRequests(devserver::LIST_MEMBERS, 3));
    EXPECT_EQ('B', server->Received().back().body[0]);
    EXPECT_FALSE(c->Mode().buddyMode);
    // The columns are built for the buddy list (a man's: the women's set), but
    // the records are filtered as the male list that showMen still names.
    ASSERT_TRUE(WaitRows(c, 1));
    EXPECT_EQ("jun", RowIds(c)[0]);
    EXPECT_EQ("앨범", ColumnNames(c)[6]);
}

TEST_F(ListRows, WithoutAConnectionModePropertiesHaveNoEffect) {
    // No server at this address: the connect fails once, with its message.
    main = Host({{L"SEX", L"man"}, {L"ID", L"viewer"}, {L"PWD", L"pw"}});
    CRosterlyCtrl* c = main.control;
    ASSERT_TRUE(c);
    EXPECT_EQ(1u, boxes.CountText(kConnectDelayedText));
    EXPECT_FALSE(c->IsConnected());
    EXPECT_FALSE(c->HasSocket());
    c->SetTextBuddy("B");
    c->SetTextLabel("woman");
    EXPECT_FALSE(c->Mode().buddyMode);
    EXPECT_EQ("앨범", ColumnNames(c)[6]);
    // A send without a socket says so.
    EXPECT_FALSE(c->SendListRequest());
    EXPECT_EQ(1u, boxes.CountText(kNotConnectedText));
}

TEST_F(ListRows, PropertiesSetBeforeTheWindowExistsHaveNoEffect) {
    StartServer();
    IUnknown* object = nullptr;
    ASSERT_TRUE(SUCCEEDED(CreateComObject<CRosterlyCtrl>(IID_IUnknown, reinterpret_cast<void**>(&object))));
    auto* c = static_cast<CRosterlyCtrl*>(static_cast<IOleObject*>(object));
    c->SetTextBuddy("B");
    c->SetTextLabel("woman");
    EXPECT_FALSE(c->Mode().buddyMode);
    EXPECT_FALSE(c->Mode().showMen);
    EXPECT_EQ("", c->GetTextLabel());
    object->Release();
}

TEST_F(ListRows, ASecondControlInTheProcessMakesNoConnection) {
    Population();
    CRosterlyCtrl* first = HostViewer(L"man", 2);
    Hosted second = Host({{L"SEX", L"man"}, {L"ID", L"other"}, {L"PWD", L"pw"}});
    PumpFor(500);
    EXPECT_EQ(1u, server->Connections().size());
    EXPECT_FALSE(second.control->IsConnected());
    EXPECT_EQ(0, second.control->RowCount());
    second.control->SetTextLabel("woman");
    EXPECT_FALSE(second.control->Mode().showMen);  // no effect
    EXPECT_EQ(2, first->RowCount());
    EXPECT_EQ(2, LiveControlCount());
    CloseHosted(second);
    PumpFor(50);
    EXPECT_EQ(1, LiveControlCount());
}

// Foreign pages in the same browser process embed the list first: refused,
// they take no part in the process's connection, and the service's own list
// logs in and shows its rows as it does alone.
TEST_F(ListRows, ControlsRefusedOnForeignPagesLeaveTheServiceListItsConnection) {
    Population();
    std::vector<Hosted> refused;
    for (const wchar_t* page : {L"http://evil.example/", L"https://www.corvala.co.kr.evil.example/"}) {
        Hosted h;
        IUnknown* object = nullptr;
        ASSERT_TRUE(SUCCEEDED(CreateComObject<CRosterlyCtrl>(IID_IUnknown, reinterpret_cast<void**>(&object))));
        h.control = static_cast<CRosterlyCtrl*>(static_cast<IOleObject*>(object));
        h.host = std::make_unique<CControlHost>();
        ASSERT_EQ(S_OK, h.host->Attach(object));
        object->Release();
        h.host->SetPageAddress(page);
        h.host->SetParam(L"SERVERIP", WideFromUtf8(Address()));
        const RECT position = {0, 0, 100, 100};
        EXPECT_EQ(E_ACCESSDENIED, h.host->Load(window, position));
        // The page shows it all the same.
        EXPECT_EQ(E_ACCESSDENIED, h.host->OleObject()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, h.host->Site(), 0,
                                                              window, &position));
        refused.push_back(std::move(h));
    }
    EXPECT_EQ(0, LiveControlCount());
    CRosterlyCtrl* list = HostViewer(L"woman", 3);
    EXPECT_EQ(1u, server->Connections().size());
    EXPECT_EQ(3, list->RowCount());
    EXPECT_EQ(1, LiveControlCount());
    for (Hosted& h : refused) CloseHosted(h);
}

}  // namespace
