// tray_poke: plays the web page's controls towards a running Notewell for the
// screenshot script, and tells where its popups are.
//
//   tray_poke note HEX        COPYDATA_SEND_NOTE from a SendLabel text
//   tray_poke chat HEX        COPYDATA_CHAT_REQUEST from a SendChat text
//   tray_poke note-all        WM_TRAY_NOTE_ALL
//   tray_poke chat-all        WM_TRAY_CHAT_ALL
//   tray_poke rect ID         "x y width height" of the popup holding control ID
//   tray_poke cancel ID       presses Cancel (Escape) on that popup
//   tray_poke ok ID           presses OK on that popup
//   tray_poke click ID        clicks control ID of its popup
//
// HEX is the record text as hexadecimal UTF-8 (the command line of a wine
// process cannot carry Korean text reliably); it is converted to the ANSI
// code page as the controls send it. Exit status 0 on success, 1 when the
// window is not there, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "records.h"
#include "tray_messages.h"

namespace {

HWND Tray() { return ::FindWindowA(nullptr, "PvxTray"); }

std::string FromHex(const char* hex) {
    std::string out;
    const size_t n = std::strlen(hex);
    for (size_t i = 0; i + 1 < n; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], 0};
        out += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return out;
}

// The records between the programs hold code page 949 texts.
std::string Utf8ToKorean(const std::string& utf8) {
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (wide <= 0) return std::string();
    std::wstring w(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &w[0], wide);
    const int bytes = ::WideCharToMultiByte(949, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(949, 0, w.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

struct Search {
    int controlId;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == ::GetCurrentProcessId() || !::IsWindowVisible(w) || !::GetDlgItem(w, s->controlId)) return TRUE;
    s->found = w;
    return FALSE;
}

// The visible top-level window of another process that holds the control.
HWND PopupWith(int controlId) {
    Search s{controlId, nullptr};
    ::EnumWindows(&CheckWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

int Usage() {
    std::fprintf(stderr, "usage: tray_poke note|chat HEX | note-all | chat-all | rect|cancel|ok|click ID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string verb = argv[1];
    if (verb == "note-all" || verb == "chat-all") {
        HWND tray = Tray();
        if (!tray) return 1;
        ::SendMessageA(tray, verb == "note-all" ? WM_TRAY_NOTE_ALL : WM_TRAY_CHAT_ALL, 0, 0);
        return 0;
    }
    if (argc < 3) return Usage();
    if (verb == "note" || verb == "chat") {
        HWND tray = Tray();
        if (!tray) return 1;
        const std::string text = Utf8ToKorean(FromHex(argv[2]));
        if (verb == "note") {
            NoteTargetInfo record = PackNoteTargetInfo(text);
            COPYDATASTRUCT cds{COPYDATA_SEND_NOTE, sizeof record, &record};
            ::SendMessageA(tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        } else {
            ChatTargetInfo record = PackChatTargetInfo(text);
            COPYDATASTRUCT cds{COPYDATA_CHAT_REQUEST, sizeof record, &record};
            ::SendMessageA(tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        }
        return 0;
    }
    const int id = std::atoi(argv[2]);
    HWND popup = PopupWith(id);
    if (!popup) return 1;
    if (verb == "rect") {
        RECT r{};
        ::GetWindowRect(popup, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (verb == "cancel" || verb == "ok") {
        ::PostMessageA(popup, WM_COMMAND, MAKEWPARAM(verb == "ok" ? IDOK : IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    if (verb == "click") {
        ::PostMessageA(popup, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(popup, id)));
        return 0;
    }
    return Usage();
}
