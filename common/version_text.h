// The portable part of ReadVersionText: the FileVersion text split
// at blanks (AfxExtractSubString with ' ') and parts 0..3 joined without
// separator: "1, 0, 0, 46" gives "1,0,0,46"; further parts are dropped and a
// missing part adds nothing.
#pragma once
#include <string>
#include <string_view>

std::string JoinVersionParts(std::string_view fileVersion);
