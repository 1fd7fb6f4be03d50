// Text conversions at the COM boundary: automation passes UTF-16 BSTRs, the
// controls keep their texts in UTF-8.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "text_conversion.h"

// A null BSTR is the empty text.
std::string Utf8FromBstr(BSTR text);
// Null when out of memory.
BSTR BstrFromUtf8(std::string_view text);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the registry holds it.
std::wstring GuidText(REFGUID guid);
