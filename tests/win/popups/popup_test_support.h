// Helpers of the popup tests: reading what a window shows and what a bitmap holds.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace popup_test {

std::string ItemText(HWND popup, int itemId);
// The pixels of a bitmap resource, row by row from the top.
std::vector<COLORREF> BitmapPixels(UINT bitmapId);
// What an owner-drawn item draws for WM_DRAWITEM in the given state, into a
// width x height picture, row by row from the top.
std::vector<COLORREF> DrawnPixels(HWND parent, HWND item, int width, int height, UINT state);
// What a window shows now (PrintWindow into a picture), row by row from the top.
std::vector<COLORREF> WindowPixels(HWND window, int* width, int* height);
bool SetClipboardText(const std::string& ansi);
// Client rectangle of a child in its parent's client coordinates.
RECT ChildRect(HWND parent, int itemId);

}  // namespace popup_test

namespace popup_test {
// Pumps this thread's messages the way the program's message loop does
// (PreTranslateMessage and dialog keys first) for the given time.
void PumpAsTheProgram(DWORD ms);
// Presses (and with `up` releases) a key as the keyboard would.
void Key(WORD vk, bool up);
}  // namespace popup_test

namespace popup_test {
// What the screen shows in a window's client area now, row by row from the top.
std::vector<COLORREF> ScreenPixels(HWND window, int* width, int* height);
}  // namespace popup_test
