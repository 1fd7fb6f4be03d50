// Who a control module is: the identifiers, names and fixed registration
// values of Gatekin and Rosterly, which share one shell.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <comcat.h>

#include "shell_resource_ids.h"

struct ControlModuleIdentity {
    const char* moduleName;  // "Gatekin", "Rosterly"
    const char* typeLibName;  // "GATEKINLib"
    GUID typeLib;
    const char* dispatchName;  // "_DGatekin"
    IID dispatchIid;
    const char* eventName;  // "_DGatekinEvents"
    IID eventIid;
    const char* coclassName;  // "Gatekin"
    CLSID controlClsid;
    const char* controlClassName;  // the runtime class of the control
    const char* controlProgId;
    CLSID pageClsid;
    const char* pageClassName;
    const char* pageProgId;
};

extern const ControlModuleIdentity kGatekinModule;
extern const ControlModuleIdentity kRosterlyModule;

// Both type libraries are version 1.0 in locale 1033.
constexpr WORD kShellTypeLibMajor = 1;
constexpr WORD kShellTypeLibMinor = 0;
constexpr LCID kShellTypeLibLcid = 0x0409;
// The persisted state of both controls carries this version (major 1, minor 0).
constexpr DWORD kShellPersistVersion = MAKELONG(0, 1);

// Recompose on resize, cannot link inside, inside-out, activate when visible,
// set client site first.
constexpr DWORD kShellMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                   OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
static_assert(kShellMiscStatus == 0x20191, "misc status of both controls");

constexpr char kShellThreadingModel[] = "Apartment";

// The component categories every control of the shell implements.
extern const CATID kCatidSafeForScripting;
extern const CATID kCatidSafeForInitializing;
constexpr wchar_t kSafeForScriptingDescription[] = L"Controls that are safely scriptable";
constexpr wchar_t kSafeForInitializingDescription[] = L"Controls safely initializable from persistent data";
