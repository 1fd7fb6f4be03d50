// The texts Rosterly shows, with their captions and box styles.
#pragma once
#include <windows.h>

#include "member_list_texts.h"

constexpr UINT kErrorBox = MB_OK | MB_ICONERROR | MB_TOPMOST;
constexpr UINT kInfoBox = MB_OK | MB_ICONINFORMATION | MB_TOPMOST;

// Module start.
constexpr char kSocketInitFailedText[] = "Windows sockets initialization failed.";
