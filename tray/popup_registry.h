// Bookkeeping of the popups the main window has open: four single slots and
// three lists. The registry only records; the main window creates and destroys
// the windows, under the process-wide lock.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CTrayPopup;
class CSendNoteDlg;
class COutgoingChatDlg;
class CGroupChatDlg;
class CNoteToAllDlg;
class CIncomingChatDlg;
class CPointsShortDlg;
class CChatNoticeDlg;

struct PopupEntry {
    CTrayPopup* popup = nullptr;   // incoming request popup, or the notice
    CTrayPopup* second = nullptr;  // the points-short popup
    std::string key;               // requester id, or requester id + 8-digit serial
    bool done = false;             // the popup was answered or closed
};

struct PopupRegistry {
    CSendNoteDlg* sendNote = nullptr;
    COutgoingChatDlg* outgoingChat = nullptr;
    CGroupChatDlg* groupChat = nullptr;
    CNoteToAllDlg* noteToAll = nullptr;
    std::vector<PopupEntry> incomingRequests;
    std::vector<PopupEntry> pointsShort;
    std::vector<PopupEntry> notices;

    // First incoming entry whose key is the member id, or end().
    std::vector<PopupEntry>::iterator FindIncoming(const std::string& memberId);
    // The entry of the popup that sent WM_POPUP_CLOSED: keys arrive as the
    // address of the popup's own key string (kinds 2 and 6) or its window
    // (kind 5). They are only compared with what the registry holds, never
    // dereferenced, so a stray message cannot make us read foreign memory.
    PopupEntry* FindIncomingByKeyAddress(WPARAM key);
    PopupEntry* FindPointsShortByKeyAddress(WPARAM key);
    PopupEntry* FindNoticeByWindow(WPARAM key);
    // Removes the entries marked done whose popups are gone (closed notices
    // and points-short popups): nothing looks for them
    // again, and a long session must not collect them.
    static void DropDone(std::vector<PopupEntry>& list);
    // Drops every reference to a popup whose window is gone, however it went.
    void Forget(const CTrayPopup* popup);
    // Forgets a popup that never opened, and erases the entries made for it.
    void Remove(const CTrayPopup* popup);
};
