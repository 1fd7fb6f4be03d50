#include "popup_keys.h"

bool SwallowWhileEnterHeld(const MSG& msg) {
    return msg.message == WM_KEYDOWN && (::GetAsyncKeyState(VK_RETURN) & 0x8000) != 0;
}

bool IsSendKey(const MSG& msg) {
    return msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && ::GetKeyState(VK_SHIFT) >= 0;
}
