// Requests from the service's pages in browsers without ActiveX, over the
// local bridge: each reaches the operation its window message reaches, so
// both paths behave alike; and what the pages are told of the session.
#include "tray_main_dlg.h"

#include <memory>

#include "service_sites.h"
#include "text_conversion.h"
#include "web_host.h"

namespace {
// The pages the controls serve are the pages the bridge serves.
const ServiceSites& BridgeSites() {
    static const ServiceSites sites(CORVALA_WEB_HOST, CORVALA_EXTRA_WEB_HOSTS);
    return sites;
}

std::string RecordText(std::string_view utf8) { return KoreanBytesFromUtf8(utf8); }

// What the pages are told when the server ended the session.
const char* SessionEndReason(char code) {
    switch (code) {
    case 'A': return "logged-out";
    case 'C': return "webcam";
    case 'O': return "elsewhere";
    case 'V': return "version";
    default: return "server";
    }
}
}  // namespace

void CTrayMainDlg::StartBridge(BridgeState initial) {
    // Without a free port the pages cannot reach this Notewell; Gatekin's path still works.
    bridge.Start(m_hWnd, WM_BRIDGE_REQUEST, BridgeSites(), initial, WM_BRIDGE_FLOW);
}

void CTrayMainDlg::TellPages(BridgeState state, const std::string& reason) { bridge.SetState(state, reason); }

void CTrayMainDlg::SetEndReason(const char* reason) {
    if (endReason.empty()) endReason = reason;
}

// Said once, as the window goes; the bridge closes behind it.
void CTrayMainDlg::EndBridge() {
    if (endReason.empty()) endReason = sessionEndReason ? SessionEndReason(sessionEndReason) : "closed";
    TellPages(BridgeState::Ended, endReason);
    memberList.Stop();
    bridge.Stop();
}

// Started from a link and no page handed over an identity in time: the
// program ends as quietly as it came.
void CTrayMainDlg::OnIdentityWaitOver() {
    KillTimer(IDENTITY_TIMER);
    if (!awaitingIdentity || ending) return;
    awaitingIdentity = false;
    ending = true;
    SetEndReason("no-page");
    EndNow();
}

LRESULT CTrayMainDlg::OnBridgeRequest(WPARAM, LPARAM l) {
    const std::unique_ptr<BridgeRequestMessage> message(reinterpret_cast<BridgeRequestMessage*>(l));
    if (!message) return 0;
    const uint32_t page = message->connection;
    const BridgeRequest& request = message->request;
    if (ending) {
        bridge.Reply(page, request.id, false, "ended");
        return 0;
    }
    switch (request.op) {
    case BridgeOp::Login:
        // A Notewell that already has its member starts nothing more, as
        // Gatekin finds "PvxTray" and starts nothing.
        if (awaitingIdentity) {
            awaitingIdentity = false;
            KillTimer(IDENTITY_TIMER);
            BeginSession(ArgumentsOf(request.identity));
        }
        break;
    case BridgeOp::Logout:
        // The answer goes first: the close may end the window before it returns.
        bridge.Reply(page, request.id, true);
        if (request.ask)
            OnTrayCloseAsk(0, 0);
        else
            OnTrayClose(0, 0);
        return 0;
    case BridgeOp::SendNote: OnSendNoteRequest(NoteRecordOf(request.note, &RecordText)); break;
    case BridgeOp::AskChat: OnChatTargetRequest(ChatRecordOf(request.chat, &RecordText)); break;
    case BridgeOp::NoteToAll: OnTrayNoteAll(0, 0); break;
    case BridgeOp::ChatToAll: OnTrayChatAll(0, 0); break;
    case BridgeOp::ListSubscribe:
    case BridgeOp::ListUnsubscribe:
    case BridgeOp::ListMode:
    case BridgeOp::ListAction: {
        const std::string error = OnListRequest(page, request);
        bridge.Reply(page, request.id, error.empty(), error);
        return 0;
    }
    }
    bridge.Reply(page, request.id, true);
    return 0;
}

// The member list is the page's whether or not Notewell has logged in: it
// has a connection and a member of its own, as Rosterly has.
std::string CTrayMainDlg::OnListRequest(uint32_t page, const BridgeRequest& request) {
    switch (request.op) {
    case BridgeOp::ListSubscribe: return memberList.Subscribe(page, request.viewer);
    case BridgeOp::ListUnsubscribe: memberList.Unsubscribe(page); return std::string();
    case BridgeOp::ListMode: return memberList.ChangeMode(request.modeIsLabel, request.modeValue);
    case BridgeOp::ListAction: return memberList.Act(request.action, request.listMember);
    default: return "unknown-op";
    }
}

LRESULT CTrayMainDlg::OnBridgeFlow(WPARAM page, LPARAM what) {
    if (what == CBridgeServer::kGone)
        memberList.Unsubscribe(static_cast<uint32_t>(page));
    else
        memberList.OnPageDrained(static_cast<uint32_t>(page));
    return 0;
}

LRESULT CTrayMainDlg::OnListEvents(WPARAM, LPARAM) {
    memberList.OnLinkEvents();
    return 0;
}

LRESULT CTrayMainDlg::OnListAskUnblock(WPARAM, LPARAM) {
    memberList.OnAskUnblock();
    return 0;
}
