// Names of the taste codes.
#pragma once
#include <string>

// -1 sets the text empty; 4..10 set it to the name ("기타", "하이힐",
// "청바지", "스커트", "란제리", "팁토", "스타킹"); any other code leaves the
// caller's text unchanged.
void TasteName(int code, std::string& text);
// The name of 4..10, or nullptr for any other code.
const char* TasteNameOrNull(int code);
