#include "tray_link.h"

#include "tray_messages.h"

HWND FindTrayWindow() { return ::FindWindowA(nullptr, kTrayWindowTitle); }

void SendTrayMessage(HWND tray, UINT message) { ::SendMessageA(tray, message, 0, 0); }

void SendTrayRecord(HWND tray, ULONG_PTR kind, const void* record, size_t size) {
    COPYDATASTRUCT data;
    data.dwData = kind;
    data.cbData = static_cast<DWORD>(size);
    data.lpData = const_cast<void*>(record);
    ::SendMessageA(tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}
