#include "shell_registration.h"

#include "category_registration.h"
#include "ole_factory.h"
#include "ole_module.h"
#include "ole_registry.h"

HRESULT SystemShellRegistrar::RegisterTypeLib() {
    const std::wstring path = OleModuleFileName();
    if (path.empty()) return E_FAIL;
    return RegisterModuleTypeLib(path);
}

HRESULT SystemShellRegistrar::UnregisterTypeLib() {
    return UnregisterModuleTypeLib(m_identity.typeLib, kShellTypeLibMajor, kShellTypeLibMinor, kShellTypeLibLcid);
}

bool SystemShellRegistrar::UpdateClassFactories(bool registering) {
    return COleObjectFactory::UpdateRegistryAll(registering);
}

HRESULT SystemShellRegistrar::CreateCategory(REFCATID catid, const wchar_t* description) {
    return CreateComponentCategory(catid, description);
}

HRESULT SystemShellRegistrar::RegisterClassInCategory(REFCLSID clsid, REFCATID catid) {
    return RegisterImplementedCategory(clsid, catid);
}

HRESULT RegisterControlModule(const ControlModuleIdentity& identity, ShellRegistrar& registrar) {
    if (FAILED(registrar.RegisterTypeLib())) return SELFREG_E_TYPELIB;
    if (!registrar.UpdateClassFactories(true)) return SELFREG_E_CLASS;
    if (FAILED(registrar.CreateCategory(kCatidSafeForScripting, kSafeForScriptingDescription))) return SELFREG_E_CLASS;
    if (FAILED(registrar.CreateCategory(kCatidSafeForInitializing, kSafeForInitializingDescription)))
        return SELFREG_E_CLASS;
    if (FAILED(registrar.RegisterClassInCategory(identity.controlClsid, kCatidSafeForScripting))) return SELFREG_E_CLASS;
    if (FAILED(registrar.RegisterClassInCategory(identity.controlClsid, kCatidSafeForInitializing)))
        return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT UnregisterControlModule(const ControlModuleIdentity&, ShellRegistrar& registrar) {
    if (FAILED(registrar.UnregisterTypeLib())) return SELFREG_E_TYPELIB;
    if (!registrar.UpdateClassFactories(false)) return SELFREG_E_CLASS;
    return S_OK;
}
