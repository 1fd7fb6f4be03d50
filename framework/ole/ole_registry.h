// Registry entries of in-process COM classes and of the module's type library.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

struct ControlClassRegistration {
    CLSID clsid;
    std::wstring progId;
    std::wstring typeName;
    std::wstring modulePath;
    UINT toolboxBitmapId = 1;
    DWORD miscStatus = 0;
    GUID typeLib;
    WORD typeLibMajor = 1;
    WORD typeLibMinor = 0;
    std::wstring threadingModel;  // empty: no ThreadingModel value
    bool insertable = false;
};

// HKCR\CLSID\{clsid}: type name, InprocServer32 (+ ThreadingModel),
// ProgID, ToolboxBitmap32, MiscStatus\1, Control, TypeLib, Version (and
// Insertable when asked); HKCR\<ProgID> with its CLSID.
bool RegisterControlClass(const ControlClassRegistration& entry);
// HKCR\CLSID\{clsid}: type name and InprocServer32 only.
bool RegisterPropertyPageClass(REFCLSID clsid, const std::wstring& typeName,
                               const std::wstring& modulePath);
// Removes HKCR\CLSID\{clsid} with everything below it and, when given, the
// ProgID key. Keys that are already gone count as removed.
bool UnregisterClass(REFCLSID clsid, const wchar_t* progId);

// Registers the type library held in the module file's resources, with the
// module's folder as its help folder.
HRESULT RegisterModuleTypeLib(const std::wstring& modulePath);
// Unregisters the registered type library of that id and version, in the
// locale and system kind it was registered with.
HRESULT UnregisterModuleTypeLib(REFGUID typeLib, WORD major, WORD minor, LCID lcid);

// Text of a string resource of the module as UTF-16; empty when missing.
std::wstring LoadModuleString(HINSTANCE module, UINT id);
