// Webcam probe and version text of the tray client.
#include "tray_main_dlg.h"

#include <mmsystem.h>
#include <vfw.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "support_services.h"
#include "text_conversion.h"
#include "version_text.h"

namespace {
HWND RealCaptureWindow(const char* title, DWORD style, int x, int y, int w, int h, HWND parent, int id) {
    return ::capCreateCaptureWindowA(title, style, x, y, w, h, parent, id);
}
CaptureWindowCreator g_captureCreator = &RealCaptureWindow;
}  // namespace

CaptureWindowCreator SetCaptureWindowCreator(CaptureWindowCreator creator) {
    CaptureWindowCreator previous = g_captureCreator;
    g_captureCreator = creator ? creator : &RealCaptureWindow;
    return previous;
}

int CTrayMainDlg::ProbeWebcam() {
    // The capture window of an earlier probe has done its work.
    if (captureWindow && ::IsWindow(captureWindow)) ::DestroyWindow(captureWindow);
    captureWindow = g_captureCreator("Capture Window", WS_CHILD, 5, 5, 10, 10, m_hWnd, 0);
    if (!captureWindow) return 0;
    const int answer = static_cast<int>(::SendMessageA(captureWindow, WM_CAP_DRIVER_CONNECT, 0, 0));
    if (answer && ::IsWindow(captureWindow)) ::SendMessageA(captureWindow, WM_CAP_DRIVER_DISCONNECT, 0, 0);
    return answer;
}

void CTrayMainDlg::ReadVersionText(std::string& text, const char* fileName) {
    text.clear();
    DWORD handle = 0;
    const std::wstring file = WideFromUtf8(fileName ? fileName : "");
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return;
    std::vector<char> info(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return;
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation))
        return;
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translation->language,
                  translation->codePage);
    wchar_t* version = nullptr;
    if (!::VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&version), &length) || !version)
        return;
    // length counts characters including the terminator; never read past it.
    text = JoinVersionParts(Utf8FromWide(std::wstring_view(version, wcsnlen(version, length))));
}
