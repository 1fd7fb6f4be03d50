#include "host_script.h"

#include <cerrno>
#include <climits>
#include <cwchar>

namespace {

std::wstring Trimmed(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == L' ' || s[b] == L'\t' || s[b] == L'\r')) ++b;
    while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t' || s[e - 1] == L'\r')) --e;
    return s.substr(b, e - b);
}

bool ParseMilliseconds(const std::wstring& text, DWORD* ms) {
    if (text.empty() || text.size() > 9) return false;
    DWORD v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + static_cast<DWORD>(c - L'0');
    }
    *ms = v;
    return true;
}

// Two numbers of 1 to 5 digits around one comma, as "--at X,Y" and "size W,H" take them.
bool ParsePixelPair(const std::wstring& value, int* first, int* second) {
    const auto pixels = [](const std::wstring& part) {
        return !part.empty() && part.size() <= 5 && part.find_first_not_of(L"0123456789") == std::wstring::npos;
    };
    const size_t comma = value.find(L',');
    const std::wstring a = value.substr(0, comma);
    const std::wstring b = comma == std::wstring::npos ? std::wstring() : value.substr(comma + 1);
    if (!pixels(a) || !pixels(b)) return false;
    *first = std::stoi(a);
    *second = std::stoi(b);
    return true;
}

// "NAME VALUE": the name up to the first blank, the value after that blank.
void SplitNameValue(const std::wstring& rest, wchar_t separator, std::wstring* name, std::wstring* value) {
    const size_t at = rest.find(separator);
    if (at == std::wstring::npos) {
        *name = rest;
        value->clear();
    } else {
        *name = rest.substr(0, at);
        *value = rest.substr(at + 1);
    }
}

bool MakeAction(const std::wstring& verb, const std::wstring& rest, wchar_t separator, HostAction* action,
                std::wstring* error) {
    action->name.clear();
    action->value.clear();
    if (verb == L"create") {
        action->kind = HostAction::Kind::Create;
        action->name = Trimmed(rest);
        if (action->name.empty()) return *error = L"create needs a ProgID", false;
    } else if (verb == L"param" || verb == L"set" || verb == L"settext" || verb == L"set-text") {
        action->kind = verb == L"param" ? HostAction::Kind::Param
                       : verb == L"set" ? HostAction::Kind::Set
                                        : HostAction::Kind::SetText;
        SplitNameValue(rest, separator, &action->name, &action->value);
        if (action->name.empty()) return *error = verb + L" needs a name", false;
    } else if (verb == L"get") {
        action->kind = HostAction::Kind::Get;
        action->name = Trimmed(rest);
        if (action->name.empty()) return *error = L"get needs a name", false;
    } else if (verb == L"wait") {
        action->kind = HostAction::Kind::Wait;
        if (!ParseMilliseconds(Trimmed(rest), &action->milliseconds))
            return *error = L"wait needs milliseconds (at most 9 digits)", false;
    } else if (verb == L"size") {
        action->kind = HostAction::Kind::Size;
        if (!ParsePixelPair(Trimmed(rest), &action->width, &action->height) || action->width == 0 ||
            action->height == 0)
            return *error = L"size needs W,H in pixels", false;
    } else if (verb == L"activate") {
        action->kind = HostAction::Kind::Activate;
    } else if (verb == L"close") {
        action->kind = HostAction::Kind::Close;
    } else if (verb == L"where") {
        action->kind = HostAction::Kind::Where;
    } else {
        return *error = L"unknown command '" + verb + L"'", false;
    }
    return true;
}

}  // namespace

bool ParseHostScript(const std::wstring& script, std::vector<HostAction>* actions, std::wstring* error) {
    size_t start = 0;
    int lineNumber = 0;
    while (start <= script.size()) {
        size_t end = script.find(L'\n', start);
        if (end == std::wstring::npos) end = script.size();
        std::wstring line = script.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        // Leading blanks only: a value may end in blanks on purpose.
        size_t b = 0;
        while (b < line.size() && (line[b] == L' ' || line[b] == L'\t')) ++b;
        line = line.substr(b);
        if (lineNumber == 1 && !line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
        if (line.empty() || line[0] == L'#') continue;
        std::wstring verb, rest;
        SplitNameValue(line, L' ', &verb, &rest);
        HostAction action{};
        std::wstring why;
        if (!MakeAction(verb, rest, L' ', &action, &why)) {
            *error = L"line " + std::to_wstring(lineNumber) + L": " + why;
            return false;
        }
        actions->push_back(action);
    }
    return true;
}

bool ParseHostArguments(const std::vector<std::wstring>& args, const ScriptReader& readScript, HostOptions* options,
                        std::wstring* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--stay" || arg == L"--keep-going") {
            (arg == L"--stay" ? options->stay : options->keepGoing) = true;
            continue;
        }
        if (arg == L"--activate" || arg == L"--close" || arg == L"--where") {
            HostAction action{};
            action.kind = arg == L"--activate" ? HostAction::Kind::Activate
                          : arg == L"--close"  ? HostAction::Kind::Close
                                               : HostAction::Kind::Where;
            options->actions.push_back(action);
            continue;
        }
        if (arg.size() > 2 && arg.compare(0, 2, L"--") == 0) {
            if (i + 1 >= args.size()) return *error = arg + L" needs a value", false;
            const std::wstring option = arg.substr(2);
            const std::wstring& value = args[++i];
            if (option == L"title") {
                options->title = value;
                continue;
            }
            if (option == L"url") {
                if (value.empty()) return *error = L"--url needs an address", false;
                options->pageUrl = value;
                continue;
            }
            if (option == L"at") {
                if (!ParsePixelPair(value, &options->x, &options->y)) return *error = L"--at needs X,Y in pixels", false;
                options->placed = true;
                continue;
            }
            if (option == L"script") {
                std::wstring text;
                if (!readScript || !readScript(value, &text)) return *error = L"cannot read " + value, false;
                std::wstring why;
                if (!ParseHostScript(text, &options->actions, &why)) return *error = value + L": " + why, false;
                continue;
            }
            if (option != L"param" && option != L"set" && option != L"set-text" && option != L"get" &&
                option != L"wait" && option != L"size")
                return *error = L"unknown option " + arg, false;
            HostAction action{};
            std::wstring why;
            if (!MakeAction(option, value, L'=', &action, &why)) return *error = arg + L": " + why, false;
            options->actions.push_back(action);
            continue;
        }
        HostAction create{};
        create.kind = HostAction::Kind::Create;
        create.name = arg;
        options->actions.push_back(create);
    }
    return true;
}

HRESULT MakeScriptValue(const std::wstring& value, bool asText, VARIANT* result) {
    ::VariantInit(result);
    if (!asText && !value.empty()) {
        size_t i = (value[0] == L'-') ? 1 : 0;
        bool digits = i < value.size() && value.size() - i <= 10;
        for (size_t k = i; digits && k < value.size(); ++k) digits = value[k] >= L'0' && value[k] <= L'9';
        if (digits) {
            errno = 0;
            const long long n = std::wcstoll(value.c_str(), nullptr, 10);
            if (errno == 0 && n >= INT_MIN && n <= INT_MAX) {
                V_VT(result) = VT_I4;
                V_I4(result) = static_cast<LONG>(n);
                return S_OK;
            }
        }
    }
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = ::SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
}
