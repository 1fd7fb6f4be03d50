// The fixed Korean sentence shown for a server result code, for
// Notewell and for the variant that Rosterly carries. The texts are string
// literals of this library, in UTF-8.
//
// Comparison: the whole code, exact and case-sensitive (_mbscmp semantics:
// the code ends at its first zero byte); the first equal code in table order
// wins; a code equal to none gives the fallback text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

enum class ResultTable { Notewell, Rosterly };

const char* ResultText(std::string_view code, ResultTable table = ResultTable::Notewell);
inline const char* ResultTextRosterly(std::string_view code) {
    return ResultText(code, ResultTable::Rosterly);
}
// From the 16-byte result code field of a body, read up to its first zero.
const char* ResultTextFromField(const uint8_t* field16, ResultTable table = ResultTable::Notewell);

// The fallback text, "알수없는 오류입니다. 다시 시도해주세요".
const char* ResultFallbackText();
