// Every packet the tray client sends. Each sender first checks the connection
// and, without one, shows the numbered message of its place instead.
#include "tray_main_dlg.h"

#include <ctime>

#include "not_connected_place.h"
#include "message_box.h"

namespace {
const char kServerCaption[] = "서버 메시지";
const char kNotConnectedText[] = "서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요.";
const char kChatNeedsWebcamText[] =
    "대화신청은 웹캠이 있어야 이용하실 수 있습니다.\r\n웹캠을 설치하시거나, 연결 상태를 점검하신 후\r\n다시 접속해 주세요.";

// The nickname slot of the answer is 19 bytes; a cut never splits a UTF-8 character.
std::string CutUtf8(std::string text, size_t width) {
    if (text.size() <= width) return text;
    size_t keep = width;
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) --keep;
    text.resize(keep);
    return text;
}
}  // namespace

void CTrayMainDlg::ShowNotConnected(int place) {
    const std::string text = std::to_string(place) + kNotConnectedText;
    ShowMessageBox(nullptr, text.c_str(), kServerCaption, MB_OK | MB_ICONSTOP | MB_TOPMOST);
}

bool CTrayMainDlg::SendPacketBytes(const PacketBytes& packet) {
    return connection.SendPacket(packet.data(), static_cast<int>(packet.size()));
}

bool CTrayMainDlg::SendLogin() {
    webcamPresent = ProbeWebcam() != 0;
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_LOGIN);
        return false;
    }
    return SendPacketBytes(BuildLoginPacket(CredentialBytes(userId), CredentialBytes(password), webcamPresent,
                                             CredentialBytes(sessionId), versionText));
}

bool CTrayMainDlg::SendKeepAlive() {
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_KEEPALIVE);
        return false;
    }
    return SendPacketBytes(BuildKeepAlivePacket(static_cast<uint32_t>(std::time(nullptr))));
}

bool CTrayMainDlg::SendLogout() {
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_LOGOUT);
        return false;
    }
    return SendPacketBytes(BuildLogoutPacket(CredentialBytes(userId)));
}

bool CTrayMainDlg::SendChatRequest(const std::string& targetId) {
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_CHAT_REQUEST);
        return false;
    }
    return SendPacketBytes(BuildChatRequestPacket(targetId));
}

bool CTrayMainDlg::AnswerChatRequest(char code, const std::string& nickname, const std::string& askerId,
                                     char flag) {
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_ANSWER);
        return false;
    }
    const std::string nicknameUtf8 = CutUtf8(ToUtf8(nickname), kNicknameWidth);
    return SendPacketBytes(BuildChatAnswerPacket(code, askerId, nicknameUtf8, flag));
}

bool CTrayMainDlg::SendChatControl(const std::string& memberId, char code) {
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_CHAT_CONTROL);
        return false;
    }
    return SendPacketBytes(BuildChatControlPacket(memberId, code));
}

bool CTrayMainDlg::SendNote(const std::string& recipientId) {
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_NOTE);
        return false;
    }
    return SendPacketBytes(BuildNotePacket(recipientId, ToUtf8(noteText)));
}

void CTrayMainDlg::ShowChatNeedsWebcam() {
    ShowMessageBox(nullptr, kChatNeedsWebcamText, kServerCaption, MB_OK | MB_ICONSTOP | MB_TOPMOST);
}

bool CTrayMainDlg::InviteToChat(const std::string& targetId) {
    if (!CheckWebcamRule()) {
        ShowChatNeedsWebcam();
        return false;
    }
    if (!connection.IsConnected()) {
        ShowNotConnected(PLACE_CHAT_CHECK);
        return false;
    }
    return SendPacketBytes(BuildChatCheckPacket(targetId));
}
