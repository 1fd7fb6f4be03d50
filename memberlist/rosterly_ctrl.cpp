// CRosterlyCtrl: construction, properties, persistence and the window's life.
#include "rosterly_ctrl.h"

#include <olectl.h>

#include "app.h"
#include "list_module.h"
#include "list_socket.h"
#include "member_text.h"
#include "module_version.h"
#include "rosterly_resource.h"

namespace {
// The list view's small-image list sets the row height.
constexpr int kImageWidth = 42;
constexpr int kImageHeight = 27;
constexpr int kIconWidth = 42;
constexpr int kIconHeight = 21;
}  // namespace

BEGIN_DISPATCH_MAP(CRosterlyCtrl)
    DISP_PROPERTY_TEXT(CRosterlyCtrl, 1, "TextLabel", GetTextLabel, SetTextLabel)
    DISP_PROPERTY_TEXT(CRosterlyCtrl, 2, "TextID", GetTextID, SetTextID)
    DISP_PROPERTY_TEXT(CRosterlyCtrl, 3, "TextPwd", GetTextPwd, SetTextPwd)
    DISP_PROPERTY_TEXT(CRosterlyCtrl, 4, "TextBuddy", GetTextBuddy, SetTextBuddy)
END_DISPATCH_MAP(CRosterlyCtrl)

BEGIN_MESSAGE_MAP(CRosterlyCtrl, COleControl)
    ON_MESSAGE(WM_DESTROY, &CRosterlyCtrl::OnDestroyMessage)
    ON_MESSAGE(OCM_COMMAND, &CRosterlyCtrl::OnReflectedCommand)
    ON_MESSAGE(OCM_NOTIFY, &CRosterlyCtrl::OnReflectedNotify)
    ON_MESSAGE(WM_CONTEXTMENU, &CRosterlyCtrl::OnContextMenuMessage)
    ON_MESSAGE(WM_DRAWITEM, &CRosterlyCtrl::OnDrawItemMessage)
    ON_MESSAGE(WM_LIST_REDRAW, &CRosterlyCtrl::OnRedrawListMessage)
    ON_MESSAGE(WM_ASK_UNBLOCK, &CRosterlyCtrl::OnAskUnblockMessage)
    ON_COMMAND(ID_MEMBER_NOTE, &CRosterlyCtrl::OnSendNote)
    ON_COMMAND(ID_MEMBER_CHAT, &CRosterlyCtrl::OnRequestChat)
    ON_COMMAND(ID_MEMBER_PROFILE, &CRosterlyCtrl::OnProfile)
    ON_COMMAND(ID_MEMBER_PROFILE_SAME, &CRosterlyCtrl::OnProfile)
    ON_COMMAND(ID_MEMBER_ADD_FRIEND, &CRosterlyCtrl::OnAddFriend)
    ON_COMMAND(ID_MEMBER_REMOVE_FRIEND, &CRosterlyCtrl::OnRemoveFriend)
    ON_COMMAND(ID_MEMBER_BLOCK, &CRosterlyCtrl::OnBlock)
    ON_COMMAND(ID_MEMBER_UNBLOCK, &CRosterlyCtrl::OnUnblock)
END_MESSAGE_MAP()

CRosterlyCtrl::CRosterlyCtrl()
    : COleControl(ShellControlClassInfo(kRosterlyModule)), session(*this, &CleanMemberText) {
    InitializeIIDs(&kRosterlyModule.dispatchIid, &kRosterlyModule.eventIid);
    char host[256] = {};
    AfxLoadString(IDS_WEB_HOST, host, sizeof host);
    webHost = host[0] ? host : kDefaultWebHost;
}

CRosterlyCtrl::~CRosterlyCtrl() {
    // The window goes first, while this class still handles its messages.
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    CloseSocket();
    StopCountingAsLive();
}

// ---- properties ----

void CRosterlyCtrl::SetTextLabel(const std::string& value) {
    session.ApplyLabel(value);
    SetModifiedFlag();
}

void CRosterlyCtrl::SetTextBuddy(const std::string& value) {
    ApplyListMode(value);
    SetModifiedFlag();
}

void CRosterlyCtrl::SetTextID(const std::string& value) {
    memberId = value;
    SyncViewer();
    SetModifiedFlag();
}

void CRosterlyCtrl::SetTextPwd(const std::string& value) {
    password = value;
    SyncViewer();
    SetModifiedFlag();
}

void CRosterlyCtrl::DoPropExchange(CPropExchange* px) {
    ExchangeVersion(px, kShellPersistVersion);
    COleControl::DoPropExchange(px);
    PX_String(px, "SEX", sexProperty, "");
    PX_String(px, "ID", memberId, "");
    PX_String(px, "PWD", password, "");
    PX_String(px, "SERVERIP", serverAddress, "");
    SyncViewer();
}

// ---- the window ----

LRESULT CRosterlyCtrl::ListCall(UINT message, WPARAM wParam, LPARAM lParam) const {
    static const WNDPROC listView = [] {
        WNDCLASSW wc{};
        return ::GetClassInfoW(nullptr, WC_LISTVIEWW, &wc) ? wc.lpfnWndProc : nullptr;
    }();
    if (!listView) return ::SendMessageW(m_hWnd, message, wParam, lParam);
    return ::CallWindowProcW(listView, m_hWnd, message, wParam, lParam);
}

BOOL CRosterlyCtrl::PreCreateWindow(CREATESTRUCTW& cs) {
    // The list view class must exist before the window is made.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    cs.lpszClass = WC_LISTVIEWW;
    cs.style |= LVS_REPORT | LVS_SHOWSELALWAYS;
    return COleControl::PreCreateWindow(cs);
}

int CRosterlyCtrl::OnCreate(LPCREATESTRUCTW cs) {
    if (COleControl::OnCreate(cs) == -1) return -1;
    // Live from its window on: only a control its page is served gets one, so
    // a refused control never takes the process's connection from another.
    if (!countedAsLive) {
        countedAsLive = true;
        RaiseLiveControlCount();
    }
    versionText = ReadModuleVersionText();
    session.Mode().StartFor(sexProperty);
    ListCall(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    ListCall(CCM_SETUNICODEFORMAT, TRUE, 0);  // cells are asked for in UTF-16, whatever the page's window says
    // Without its header the list can show nothing: no columns, no connection.
    if (!header.SubclassWindow(::GetDlgItem(m_hWnd, 0))) return 0;
    ClearList();
    InsertColumns(session.Mode().ShowsMaleColumns() ? kMaleListColumns : kFemaleListColumns);

    HIMAGELIST images = ::ImageList_Create(kImageWidth, kImageHeight, ILC_COLOR16, 1, 0);
    if (images) {
        HICON icon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_WEBCAM),
                                                     IMAGE_ICON, kIconWidth, kIconHeight, 0));
        if (icon) {
            ::ImageList_AddIcon(images, icon);
            ::DestroyIcon(icon);
        }
        // Not shared: the list view destroys the image list with itself.
        ListCall(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    }
    OpenConnection();
    return 0;
}

void CRosterlyCtrl::OnDraw(HDC dc, const RECT& bounds, const RECT&) { DoSuperclassPaint(dc, bounds); }

LRESULT CRosterlyCtrl::OnDestroyMessage(WPARAM, LPARAM) {
    CloseSocket();
    // The timers die with the window; a window made again starts a new
    // session, with its own login retries and keep-alive.
    session.Reset();
    // A burst's hold belonged to this window: one made again starts drawing.
    ::KillTimer(m_hWnd, kRedrawTimerId);
    redrawHeld = false;
    columnsChangedWhileHeld = false;
    cellIcons.Release();
    StopCountingAsLive();
    return Default();
}

void CRosterlyCtrl::StopCountingAsLive() {
    if (!countedAsLive) return;
    countedAsLive = false;
    LowerLiveControlCount();
}

LRESULT CRosterlyCtrl::OnDrawItemMessage(WPARAM w, LPARAM l) {
    LRESULT result = 0;
    if (ReflectToChild(WM_DRAWITEM, w, l, &result)) return result;
    return Default();
}
