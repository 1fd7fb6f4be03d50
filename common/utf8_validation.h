// Strict UTF-8, as WebSocket text must be: shortest forms only, no
// surrogates (U+D800..U+DFFF), nothing above U+10FFFF.
#pragma once
#include <string_view>

bool IsValidUtf8(std::string_view text);
