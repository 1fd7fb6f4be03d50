// Texts the popups build from member data before they reach a static control.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A static control takes '&' as a mnemonic marker, so member texts are shown
// with every '&' doubled: a&b&&c becomes a&&b&&&&c.
std::string EscapeAmpersands(std::string_view text);

// Point counts with "," between groups of three digits: 1234567 gives
// 1,234,567, 999 stays 999. A minus sign stays in front of the digits
// (-1234 gives -1,234, -123 stays -123).
std::string GroupThousands(int32_t value);

// Heading of the chat popups: nickname(id, 여/25세); "남" for every sex code but 'F'.
std::string MemberTitle(std::string_view nickname, std::string_view memberId, char sexCode, int age);

// Heading of a received note: nickname(25/여).
std::string NoteSenderHeading(std::string_view nickname, int age, char sexCode);
