// Requests from the controls (WM_COPYDATA records, note and chat to everyone)
// and from the popups (WM_POPUP_CLOSED), and the popups' creation and end.
#include "tray_main_dlg.h"

#include "popups/chat_notice_dlg.h"
#include "popups/group_chat_dlg.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/note_to_all_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/points_short_dlg.h"
#include "popups/send_note_dlg.h"
#include "tray_messages.h"

// A popup that could not be made leaves no entry behind, its own only; it is
// released here unless its window was made and went (then it was retired).
bool CTrayMainDlg::OpenPopup(CTrayPopup* popup, UINT templateId) {
    if (popup->Open(templateId)) return true;
    {
        CSingleLock lock(TrayProcessLock());
        popups.Remove(popup);
    }
    if (!IsRetired(popup)) delete popup;
    return false;
}

void CTrayMainDlg::DestroyPopupWindow(CTrayPopup* popup) {
    if (popup) popup->Close();
}

void CTrayMainDlg::FocusPopup(CTrayPopup* popup) {
    if (!popup || !popup->GetSafeHwnd()) return;
    ::SetForegroundWindow(popup->GetSafeHwnd());
    ::SetFocus(popup->GetSafeHwnd());
}

// A record shorter than its kind's layout, or of an unknown kind, is ignored;
// so is every request once the session is over.
BOOL CTrayMainDlg::OnCopyData(HWND, COPYDATASTRUCT* data) {
    if (!data || ending) return FALSE;
    if (data->dwData == COPYDATA_SEND_NOTE) {
        if (const std::optional<NoteTargetInfo> target = ReadNoteTargetInfo(data->lpData, data->cbData))
            OnSendNoteRequest(*target);
    } else if (data->dwData == COPYDATA_CHAT_REQUEST) {
        if (const std::optional<ChatTargetInfo> target = ReadChatTargetInfo(data->lpData, data->cbData))
            OnChatTargetRequest(*target);
    }
    return FALSE;
}

void CTrayMainDlg::OnSendNoteRequest(const NoteTargetInfo& target) {
    if (popups.sendNote) {
        FocusPopup(popups.sendNote);  // one note at a time; the new member is not taken over
        return;
    }
    pendingTargetId = target.MemberId();
    auto* popup = new CSendNoteDlg(*this);
    popup->SetTarget(target);
    {
        CSingleLock lock(TrayProcessLock());
        popups.sendNote = popup;
    }
    OpenPopup(popup, CSendNoteDlg::kTemplate);
}

// The record is kept whatever the check's outcome: the server's consent opens
// the waiting popup from it.
void CTrayMainDlg::OnChatTargetRequest(const ChatTargetInfo& target) {
    InviteToChat(target.MemberId());
    chatTarget = target;
    chatTargetTexts.reset();
}

LRESULT CTrayMainDlg::OnTrayNoteAll(WPARAM, LPARAM) {
    if (ending) return 0;
    if (popups.noteToAll) {
        FocusPopup(popups.noteToAll);
        return 0;
    }
    if (popups.outgoingChat) return 0;
    auto* popup = new CNoteToAllDlg(*this);
    {
        CSingleLock lock(TrayProcessLock());
        popups.noteToAll = popup;
    }
    OpenPopup(popup, CNoteToAllDlg::kTemplate);
    return 0;
}

LRESULT CTrayMainDlg::OnTrayChatAll(WPARAM, LPARAM) {
    if (ending) return 0;
    if (!CheckWebcamRule()) {
        ShowChatNeedsWebcam();
    } else if (popups.groupChat) {
        FocusPopup(popups.groupChat);
    } else if (!popups.outgoingChat) {
        SetChatTargetAll(chatTarget);
        chatTargetTexts.reset();
        InviteToChat(kEveryoneId);
    }
    return 0;
}

LRESULT CTrayMainDlg::OnPopupClosed(WPARAM key, LPARAM kind) {
    CSingleLock lock(TrayProcessLock());
    switch (kind) {
    case POPUP_SEND_NOTE:
        DestroySlot(popups.sendNote);
        break;
    case POPUP_OUTGOING_CHAT:
        if (!popups.outgoingChat) break;  // an empty slot changes nothing
        DestroySlot(popups.outgoingChat);
        pendingTargetId.clear();
        break;
    case POPUP_INCOMING_CHAT:
        // An accepted request stays listed until the server settles it; a
        // refused or expired one is over, and a later withdrawal by the same
        // member must find that member's open request, not this one.
        if (PopupEntry* e = popups.FindIncomingByKeyAddress(key); e && !e->done) {
            auto* popup = static_cast<CIncomingChatDlg*>(e->popup);
            e->popup = nullptr;
            e->done = true;
            if (!popup->Accepted()) popups.incomingRequests.erase(popups.incomingRequests.begin() + (e - popups.incomingRequests.data()));
            DestroyPopupWindow(popup);
        }
        break;
    case POPUP_GROUP_CHAT:
        DestroySlot(popups.groupChat);
        break;
    case POPUP_NOTE_TO_ALL:
        DestroySlot(popups.noteToAll);
        break;
    case POPUP_CHAT_NOTICE:
        if (PopupEntry* e = popups.FindNoticeByWindow(key)) {
            CTrayPopup* popup = e->popup;
            e->popup = nullptr;
            e->done = true;
            popups.DropDone(popups.notices);
            DestroyPopupWindow(popup);
            if (--openNoticeCount <= 0) noticePopupOrigin = POINT{0, 0};
        }
        break;
    case POPUP_POINTS_SHORT:
        // Keys are unique, so at most one entry matches.
        if (PopupEntry* e = popups.FindPointsShortByKeyAddress(key); e && !e->done) {
            CTrayPopup* popup = e->second;
            e->second = nullptr;
            e->done = true;
            popups.DropDone(popups.pointsShort);
            DestroyPopupWindow(popup);
        }
        break;
    default:
        break;
    }
    return 0;
}
