// The in-process server's module: its instance handle, the count of live
// objects and server locks that decides DllCanUnloadNow, and the module
// object of a control module.
#pragma once
#include <windows.h>

#include <string>

#include "app.h"

// The module object of a control module (one global per module, like any
// application object). DllMain hands it the module's instance handle.
class COleControlModule : public CWinApp {
public:
    COleControlModule() = default;
};

// Called from DllMain: the module's instance, its resources and its module
// object's InitInstance. Returns FALSE when the module refuses to load.
BOOL OleModuleAttach(HINSTANCE module);
void OleModuleDetach();

HINSTANCE OleModuleInstance();
// Full path of the module file (the .ocx), for the registry.
std::wstring OleModuleFileName();
// Directory of the module file, without a trailing backslash.
std::wstring OleModuleDirectory();

// Every live COM object and every IClassFactory::LockServer(TRUE) holds one.
void OleModuleAddRef();
void OleModuleRelease();
LONG OleModuleLockCount();

// The standard exports.
HRESULT OleModuleCanUnloadNow();
HRESULT OleModuleGetClassObject(REFCLSID clsid, REFIID iid, void** object);
