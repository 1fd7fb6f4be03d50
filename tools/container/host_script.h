// What the container does, in order: from its command line or a small
// script, the same steps a page and its script take.
//
// Script lines (UTF-8 file; '#' starts a comment line):
//   create PROGID        make a control; a page may hold several, each
//                        placed below the one before, and the steps after
//                        it act on it
//   size W,H             the control's size in pixels (before it is shown)
//   param NAME VALUE     a PARAM of the OBJECT tag (before the control is shown)
//   activate             load the PARAM values and show the control in place
//   set NAME VALUE       page script: control.NAME = VALUE (a whole number
//                        goes as a number, anything else as a text)
//   settext NAME VALUE   the same, always as a text
//   get NAME             prints NAME=value
//   wait MS              lets the window run for MS milliseconds
//   where                prints "where X Y W H", the control's window on the
//                        screen (for scripts that click into it)
//   close                closes the control
// VALUE is the rest of the line after one blank and may be empty.
//
// Command line: [PROGID] [--param NAME=VALUE] [--set NAME=VALUE]
//   [--set-text NAME=VALUE] [--get NAME] [--wait MS] [--size W,H]
//   [--script FILE] [--activate] [--where] [--close] [--stay], taken in order; each
//   further PROGID starts the next control; [--title TEXT] and
//   [--at X,Y] name and place the container's window; [--url ADDRESS] is the
//   page's address, which every control learns from its site (without it the
//   container is a program of its own, not a web page); with [--keep-going] a
//   step that fails is reported and the next one taken, as a page's script
//   goes on with its next statement.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

struct HostAction {
    enum class Kind { Create, Param, Size, Activate, Set, SetText, Get, Wait, Where, Close };
    Kind kind;
    std::wstring name;
    std::wstring value;
    DWORD milliseconds = 0;
    int width = 0;  // Size
    int height = 0;
};

struct HostOptions {
    std::vector<HostAction> actions;
    bool stay = false;  // keep the window open until it is closed
    bool keepGoing = false;
    std::wstring pageUrl;  // empty: no web page
    std::wstring title = L"Control Container";
    bool placed = false;  // at x, y rather than where the system puts it
    int x = 0;
    int y = 0;
};

using ScriptReader = std::function<bool(const std::wstring& path, std::wstring* text)>;

// On failure `error` tells the line ("line 3: ...") or the argument.
bool ParseHostScript(const std::wstring& script, std::vector<HostAction>* actions, std::wstring* error);
bool ParseHostArguments(const std::vector<std::wstring>& args, const ScriptReader& readScript, HostOptions* options,
                        std::wstring* error);

// The VARIANT page script would pass: VT_I4 for a whole number (unless
// `asText`), else VT_BSTR. The caller clears it.
HRESULT MakeScriptValue(const std::wstring& value, bool asText, VARIANT* result);
