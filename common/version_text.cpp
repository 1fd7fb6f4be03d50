#include "version_text.h"

#include "text_split.h"

std::string JoinVersionParts(std::string_view fileVersion) {
    std::string text;
    for (size_t i = 0; i < 4; ++i) text += ExtractField(fileVersion, i, ' ');
    return text;
}
