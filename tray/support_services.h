// The platform's video capture window, replaceable so tests can stand in a
// capture driver (there is none under wine).
#pragma once
#include <windows.h>

using CaptureWindowCreator = HWND (*)(const char* title, DWORD style, int x, int y, int width,
                                      int height, HWND parent, int id);
// Installs a creator (null restores capCreateCaptureWindowA); returns the previous one.
CaptureWindowCreator SetCaptureWindowCreator(CaptureWindowCreator creator);
