// The member list's own colours; the others are the system's.
#pragma once
#include <windows.h>

constexpr COLORREF kStripeColour = RGB(238, 234, 216);  // odd rows and the header
constexpr COLORREF kEvenRowColour = RGB(255, 255, 255);
constexpr COLORREF kHeaderTextColour = RGB(3, 3, 3);
