// What the main window does with each server packet. The reader thread posts
// every packet as WM_SOCKET_EVENT with a heap copy (header in host order, then
// the body); the copy is freed here after its handler. A body shorter than its
// layout is dropped without any effect.
#include "tray_main_dlg.h"

#include <cstdio>
#include <cstring>

#include "not_connected_place.h"
#include "message_box.h"
#include "popups/chat_notice_dlg.h"
#include "popups/group_chat_dlg.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/points_short_dlg.h"
#include "popups/read_note_dlg.h"
#include "result_text.h"
#include "tray_messages.h"

namespace {
const char kServerCaption[] = "서버 메시지";
const char kChatStatusCaption[] = "채팅 상태 알림";
const char kRequestCancelledText[] = "1:1 채팅 신청이 취소되었습니다.";
const char kRequestRefusedText[] = "상대방이 1:1 채팅 신청을 거절하셨습니다.";
const char kCannotRequestText[] = "대화신청을 할 수 없습니다. 잠시 후 다시 이용해 주세요.";
constexpr UINT kErrorBox = MB_OK | MB_ICONSTOP | MB_TOPMOST;
}  // namespace

LRESULT CTrayMainDlg::OnSocketEvent(WPARAM event, LPARAM copy) {
    if (event == EV_COPY_PROBE) {
        ReclaimLostSocketEventCopies(static_cast<uint32_t>(copy));
        return 0;
    }
    MarkSocketEventCopyReceived(copy);
    HandleSocketEvent(event, copy);
    return 0;
}

void CTrayMainDlg::HandleSocketEvent(WPARAM event, LPARAM copy) {
    const uint8_t* packet = SocketEventCopy(copy);
    PacketHeader header{};
    const uint8_t* body = nullptr;
    size_t length = 0;
    if (packet) {
        std::memcpy(&header, packet, kHeaderSize);
        // The reader never posts more than its buffer holds; anything else is not ours to read.
        if (BodyLengthFits(header.bodyLength)) {
            body = packet + kHeaderSize;
            length = header.bodyLength;
        }
    }
    // Once the session is over nothing more is opened, answered or sent.
    if (ending) {
        FreeSocketEventCopy(copy);
        return;
    }
    switch (event) {
    case EV_CONNECTED: OnConnected(); break;
    case EV_LOGIN_ANSWER: OnLoginAnswer(body, length); break;
    case EV_KEEPALIVE_ANSWER: {
        CSingleLock lock(TrayProcessLock());
        keepAlive.OnAnswer();
        break;
    }
    case EV_NOTE: OnNote(header, body, length); break;
    case EV_CHAT_REQUEST:
    case EV_CHAT_REQUEST_2004: OnChatRequestEvent(header, body, length); break;
    case EV_CHAT_ANSWER: OnAnswerResult(body, length); break;
    case EV_CHAT_DECISION: OnChatDecision(header, body, length); break;
    case EV_SESSION_END: OnSessionEnd(body, length); break;
    case EV_CHAT_CHECK: OnChatCheckAnswer(body, length); break;
    case EV_READ_FAILED: OnLinkBroken(); break;
    case EV_LINK_LOST: OnLinkDead(); break;
    case EV_UNKNOWN_COMMAND: OnUnknownCommand(); break;
    default: break;
    }
    FreeSocketEventCopy(copy);
}

void CTrayMainDlg::ShowResultText(const std::string& resultCode) {
    ShowMessageBox(nullptr, ResultText(resultCode), kServerCaption, kErrorBox);
}

// Own requests still waiting are closed; when the server settled them, the
// popups are told first so that closing them withdraws nothing.
void CTrayMainDlg::CloseOwnWaitingRequests(bool settledByServer) {
    bool closeOutgoing, closeGroup;
    {
        CSingleLock lock(TrayProcessLock());
        if (settledByServer) {
            if (popups.outgoingChat) popups.outgoingChat->MarkAnswered();
            if (popups.groupChat) popups.groupChat->MarkAnswered();
        }
        closeOutgoing = !chatRequestExpired;
        closeGroup = !groupRequestEnded;
    }
    if (closeOutgoing) SendMessage(WM_POPUP_CLOSED, 0, POPUP_OUTGOING_CHAT);
    if (closeGroup) SendMessage(WM_POPUP_CLOSED, 0, POPUP_GROUP_CHAT);
}

void CTrayMainDlg::OnNote(const PacketHeader& header, const uint8_t* body, size_t length) {
    if (header.kind == KIND_ANSWER) {
        const std::optional<MemberResult> answer = ParseNoteAnswer(body, length);
        if (!answer) return;
        if (answer->result == 'E') ShowNotConnected(PLACE_SERVER_ERROR);
        else if (answer->result == 'F') ShowResultText(answer->resultCode);
        return;
    }
    if (header.kind != KIND_SERVER) return;
    // A note whose length reaches past the body is dropped whole.
    const std::optional<ReceivedNoteRecord> note = ParseReceivedNote(body, length);
    if (!note) return;
    auto* popup = new CReadNoteDlg(*this);
    popup->SetNote(*note, note->text);
    {
        CSingleLock lock(TrayProcessLock());
        ++openNoteCount;
        readNotes.push_back(popup);
    }
    if (!OpenPopup(popup, CReadNoteDlg::kTemplate)) {
        CSingleLock lock(TrayProcessLock());
        --openNoteCount;
        readNotes.pop_back();
    }
}

void CTrayMainDlg::OnChatRequestEvent(const PacketHeader& header, const uint8_t* body, size_t length) {
    if (header.kind == KIND_ANSWER) {
        if (const std::optional<RequestAnswer> answer = ParseRequestAnswer(body, length)) OnRequestAnswer(*answer);
    } else if (header.kind == KIND_SERVER) {
        if (const std::optional<IncomingChatRecord> record = ParseIncomingChatRecord(body, length))
            OnIncomingRequest(*record);
    }
}

// The asked member's answer to the own request.
void CTrayMainDlg::OnRequestAnswer(const RequestAnswer& a) {
    if (a.result == 'E') {
        CloseOwnWaitingRequests(false);
        ShowNotConnected(PLACE_SERVER_ERROR);
    } else if (a.result == 'F') {
        CloseOwnWaitingRequests(false);
        ShowResultText(a.resultCode);
    } else if (a.result == 'S') {
        switch (a.answer) {
        case 'A':
            if (!chatRequestWithdrawn) SendChatControl(a.memberId, 'A');
            break;
        case 'R':
            SendChatControl(a.memberId, 'R');
            CloseOwnWaitingRequests(false);
            ShowMessageBox(nullptr, a.cancelFlag == 'Y' ? kRequestCancelledText : kRequestRefusedText,
                           kChatStatusCaption, MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
            break;
        case 'U':
            ShowMessageBox(nullptr, kCannotRequestText, kServerCaption, kErrorBox);
            break;
        default: break;
        }
    }
}

// Another member asks: an ordinary request gets its answer popup; one that
// cannot be taken up for lack of points only a notice.
void CTrayMainDlg::OnIncomingRequest(const IncomingChatRecord& record) {
    if (record.requestFlag == 'S') {
        auto* popup = new CIncomingChatDlg(*this);
        {
            CSingleLock lock(TrayProcessLock());
            PopupEntry entry;
            entry.popup = popup;
            entry.key = record.memberId;
            popups.incomingRequests.push_back(entry);
        }
        popup->SetRequest(record);
        OpenPopup(popup, CIncomingChatDlg::TemplateFor(record.sex));
        return;
    }
    auto* popup = new CPointsShortDlg(*this);
    {
        CSingleLock lock(TrayProcessLock());
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08d", conversationSeq);
        ++conversationSeq;
        popup->SetListKey(record.memberId + serial);
        PopupEntry entry;
        entry.second = popup;
        entry.key = popup->ListKey();
        popups.pointsShort.push_back(entry);
    }
    popup->SetRequest(record);
    OpenPopup(popup, CPointsShortDlg::kTemplate);
}

void CTrayMainDlg::OnAnswerResult(const uint8_t* body, size_t length) {
    const std::optional<AnswerResult> result = ParseAnswerResult(body, length);
    if (!result) return;
    if (result->result == 'E') ShowNotConnected(PLACE_SERVER_ERROR);
    else if (result->result == 'F') ShowResultText(result->resultCode);
}

void CTrayMainDlg::RemoveIncomingRequest(const std::string& memberId) {
    CSingleLock lock(TrayProcessLock());
    const auto it = popups.FindIncoming(memberId);
    if (it == popups.incomingRequests.end()) return;
    CTrayPopup* popup = it->done ? nullptr : it->popup;
    popups.incomingRequests.erase(it);
    if (popup) DestroyPopupWindow(popup);
    if (popups.incomingRequests.empty()) chatPopupOrigin = POINT{0, 0};
}

void CTrayMainDlg::OpenChatNotice(const std::string& text) {
    auto* popup = new CChatNoticeDlg(*this);
    CSingleLock lock(TrayProcessLock());
    ++openNoticeCount;
    popup->SetText(text);
    if (!OpenPopup(popup, CChatNoticeDlg::kTemplate)) {
        --openNoticeCount;
        return;
    }
    PopupEntry entry;
    entry.popup = popup;
    popups.notices.push_back(entry);
}

void CTrayMainDlg::OnChatDecision(const PacketHeader& header, const uint8_t* body, size_t length) {
    const std::optional<ChatDecision> decision = ParseChatDecision(body, length);
    if (!decision) return;
    switch (decision->decision) {
    case 'R':  // the asker withdrew
        RemoveIncomingRequest(decision->memberId);
        break;
    case 'C':
        if (header.kind == KIND_ANSWER) {
            CloseOwnWaitingRequests(true);
        } else if (header.kind == KIND_SERVER) {
            RemoveIncomingRequest(decision->memberId);
            OpenChatNotice(ResultText(decision->resultCode));
        }
        break;
    case 'A': {  // a chat was agreed
        const bool hasServer = HasChatServer(*decision);
        if (header.kind == KIND_ANSWER) CloseOwnWaitingRequests(true);
        else if (header.kind == KIND_SERVER) CloseOwnWaitingRequests(false);
        {
            CSingleLock lock(TrayProcessLock());
            RefusePendingRequests();
            chatPopupOrigin = POINT{0, 0};
        }
        if (hasServer) LaunchChatProgram(*decision);
        else ShowNotConnected(PLACE_NO_CHAT_SERVER);
        break;
    }
    default: break;
    }
}

// The server's answer to the chat check: on consent the waiting popup opens
// and the request itself goes out.
void CTrayMainDlg::OnChatCheckAnswer(const uint8_t* body, size_t length) {
    const std::optional<MemberResult> answer = ParseChatCheckAnswer(body, length);
    if (!answer) return;
    if (answer->result == 'F') {
        ShowResultText(answer->resultCode);
        return;
    }
    if (answer->result != 'S') return;
    if (popups.outgoingChat) {
        FocusPopup(popups.outgoingChat);
    } else if (popups.groupChat) {
        // one group request at a time
    } else if (!loginSent) {
        ShowMessageBox(nullptr, kCannotRequestText, kServerCaption, MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
    } else {
        const std::string targetId = chatTarget.MemberId();
        if (!chatTarget.IsAll()) {
            auto* popup = new COutgoingChatDlg(*this);
            if (chatTargetTexts)
                popup->SetTarget(*chatTargetTexts);
            else
                popup->SetTarget(chatTarget);
            {
                CSingleLock lock(TrayProcessLock());
                popups.outgoingChat = popup;
            }
            if (OpenPopup(popup, COutgoingChatDlg::TemplateFor(chatTarget.SexCode()))) {
                CSingleLock lock(TrayProcessLock());
                chatRequestWithdrawn = false;
            }
        } else {
            auto* popup = new CGroupChatDlg(*this);
            {
                CSingleLock lock(TrayProcessLock());
                popups.groupChat = popup;
            }
            OpenPopup(popup, CGroupChatDlg::kTemplate);
        }
        SetChatTargetId(targetId);
        SendChatRequest(targetId);
    }
    CSingleLock lock(TrayProcessLock());
    chatRequestExpired = false;
}
