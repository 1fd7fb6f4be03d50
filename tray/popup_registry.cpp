#include "popup_registry.h"

#include <algorithm>

#include "popups/group_chat_dlg.h"
#include "popups/note_to_all_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/send_note_dlg.h"

namespace {
PopupEntry* FindByCloseKey(std::vector<PopupEntry>& list, CTrayPopup* PopupEntry::*slot, WPARAM key) {
    for (PopupEntry& e : list) {
        const CTrayPopup* p = e.*slot;
        if (p && p->CloseKey() == key) return &e;
    }
    return nullptr;
}
}  // namespace

std::vector<PopupEntry>::iterator PopupRegistry::FindIncoming(const std::string& memberId) {
    for (auto it = incomingRequests.begin(); it != incomingRequests.end(); ++it)
        if (it->key == memberId) return it;
    return incomingRequests.end();
}

PopupEntry* PopupRegistry::FindIncomingByKeyAddress(WPARAM key) {
    return FindByCloseKey(incomingRequests, &PopupEntry::popup, key);
}

PopupEntry* PopupRegistry::FindPointsShortByKeyAddress(WPARAM key) {
    return FindByCloseKey(pointsShort, &PopupEntry::second, key);
}

PopupEntry* PopupRegistry::FindNoticeByWindow(WPARAM key) {
    return FindByCloseKey(notices, &PopupEntry::popup, key);
}

void PopupRegistry::DropDone(std::vector<PopupEntry>& list) {
    for (auto it = list.begin(); it != list.end();) {
        if (it->done && !it->popup && !it->second) it = list.erase(it);
        else ++it;
    }
}

void PopupRegistry::Forget(const CTrayPopup* popup) {
    auto drop = [popup](auto*& slot) {
        if (slot && static_cast<const CTrayPopup*>(slot) == popup) slot = nullptr;
    };
    drop(sendNote);
    drop(outgoingChat);
    drop(groupChat);
    drop(noteToAll);
    for (auto* list : {&incomingRequests, &pointsShort, &notices}) {
        for (PopupEntry& e : *list) {
            if (e.popup == popup) e.popup = nullptr;
            if (e.second == popup) e.second = nullptr;
        }
    }
}

void PopupRegistry::Remove(const CTrayPopup* popup) {
    for (auto* list : {&incomingRequests, &pointsShort, &notices}) {
        list->erase(std::remove_if(list->begin(), list->end(),
                                   [popup](const PopupEntry& e) { return e.popup == popup || e.second == popup; }),
                    list->end());
    }
    Forget(popup);
}
