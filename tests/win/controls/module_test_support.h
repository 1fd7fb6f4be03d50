// Helpers for the tests of a real control module (an .ocx): running programs
// such as regsvr32 on it, reading what it wrote under HKEY_CLASSES_ROOT, and
// reading its version resource, page dialog template and page window.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "param_bag.h"
#include "typelib_expectations.h"

namespace module_test_support {

// Runs a program to its end; its exit code, or -1 when it could not start or outlived the limit.
int RunProgram(const std::wstring& commandLine, const wchar_t* directory = nullptr, DWORD limitMs = 60000);

// "regsvr32 /s" (or "/u /s") on the module; regsvr32's exit code.
int RunRegsvr32(const std::wstring& modulePath, bool unregister);

// Keys and text values under HKEY_CLASSES_ROOT; `name` null is the default value.
bool KeyExists(const std::wstring& key);
std::optional<std::wstring> Value(const std::wstring& key, const wchar_t* name = nullptr);

// Backslashes and lower case, so that paths written either way compare equal.
std::wstring NormalPath(std::wstring path);

// A module's version resource.
class VersionResource {
public:
    explicit VersionResource(const std::wstring& modulePath);
    bool Loaded() const { return m_fixed != nullptr; }
    const VS_FIXEDFILEINFO& Fixed() const { return *m_fixed; }
    // A string of the US English, Unicode block; "<none>" when it is missing.
    std::wstring Text(const wchar_t* name) const;

private:
    std::vector<char> m_data;
    const VS_FIXEDFILEINFO* m_fixed = nullptr;
};

// The font a dialog template names (DS_SETFONT), read past its menu, class and title.
struct DialogFont {
    WORD points = 0;
    std::wstring face;
};
std::optional<DialogFont> DialogTemplateFont(const DLGTEMPLATE* dialog);

// The child windows of a window, in z-order: class name and text.
struct ChildWindow {
    std::string className;
    std::string text;
};
std::vector<ChildWindow> ChildWindows(HWND parent);

// What the shell writes and carries for one module, spelled out by its test.
struct ExpectedModule {
    std::wstring ocxPath;
    std::wstring clsid;        // "{...}"
    std::wstring pageClsid;
    std::wstring typeLib;
    std::wstring progId;
    std::wstring controlName;  // "Gatekin Control"
    std::wstring pageName;     // "Gatekin Property Page"
    std::wstring description;  // the version resource's FileDescription
};

// The registration of a registered module: control class, ProgID both ways,
// page class, both categories with the control in each, the type library.
void ExpectRegistered(const ExpectedModule& module);
// Unregisters: classes, ProgID and type library go, the categories stay; a
// second unregistration fails; registering again restores the classes.
void ExpectUnregistrationKeepsTheCategories(const ExpectedModule& module);
// Version 1.0.0.46 in numbers and text; the shell's strings, type library,
// toolbox bitmap and page dialog 200 in the module's resources.
void ExpectVersionAndShellResources(const ExpectedModule& module);
// The registered type library and the one inside the module both describe
// the shell's interfaces with these properties and dispatch ids.
void ExpectTypeLibraries(const ExpectedModule& module, const ControlModuleIdentity& identity,
                         const std::vector<ExpectedProperty>& properties);
// A control made by the module's ProgID names its class and its event
// source from the type library, answers type information in the Korean
// locale, and lists exactly one property page, its own.
void ExpectClassInfoAndPage(const ExpectedModule& module, const ControlModuleIdentity& identity);
// What the control saves to a new property bag (the caller releases it).
CParamBag* SavedState(IUnknown* control);
// The page, on a control made by the ProgID with these PARAM values, shows
// only its static text, is never dirty, and Apply changes no saved property.
void ExpectPageShowsOnlyItsText(const ExpectedModule& module,
                                const std::vector<std::pair<std::wstring, std::wstring>>& params,
                                const std::string& text);

}  // namespace module_test_support
