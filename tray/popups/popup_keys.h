// The keyboard filters of the popups, for their PreTranslateMessage.
#pragma once
#include <windows.h>

// Chat popups: a key press that arrives while Enter is held down is dropped,
// so Enter never presses a button; Escape keeps its meaning (Cancel).
bool SwallowWhileEnterHeld(const MSG& msg);
// Note popups: Enter without Shift is the send action; Shift+Enter goes on to
// the text box and starts a new line.
bool IsSendKey(const MSG& msg);
