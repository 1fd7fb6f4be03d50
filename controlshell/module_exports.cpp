#include "module_exports.h"

#include "ole_module.h"
#include "shell_registration.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(module);
        return OleModuleAttach(module);
    }
    if (reason == DLL_PROCESS_DETACH) OleModuleDetach();
    return TRUE;
}

STDAPI DllCanUnloadNow() { return OleModuleCanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    return OleModuleGetClassObject(clsid, iid, object);
}

STDAPI DllRegisterServer() {
    SystemShellRegistrar registrar(ThisControlModule());
    return RegisterControlModule(ThisControlModule(), registrar);
}

STDAPI DllUnregisterServer() {
    SystemShellRegistrar registrar(ThisControlModule());
    return UnregisterControlModule(ThisControlModule(), registrar);
}
