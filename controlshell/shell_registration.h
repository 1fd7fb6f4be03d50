// DllRegisterServer and DllUnregisterServer of a control module: the steps,
// their order and the self-registration error codes.
#pragma once
#include <windows.h>
#include <olectl.h>

#include "module_identity.h"

// What registration does to the system, one step at a time.
class ShellRegistrar {
public:
    virtual ~ShellRegistrar() = default;
    virtual HRESULT RegisterTypeLib() = 0;
    virtual HRESULT UnregisterTypeLib() = 0;
    // Every class factory of the module (control and page).
    virtual bool UpdateClassFactories(bool registering) = 0;
    virtual HRESULT CreateCategory(REFCATID catid, const wchar_t* description) = 0;
    virtual HRESULT RegisterClassInCategory(REFCLSID clsid, REFCATID catid) = 0;
};

// The real steps for the module this code is linked into.
class SystemShellRegistrar : public ShellRegistrar {
public:
    explicit SystemShellRegistrar(const ControlModuleIdentity& identity) : m_identity(identity) {}
    HRESULT RegisterTypeLib() override;
    HRESULT UnregisterTypeLib() override;
    bool UpdateClassFactories(bool registering) override;
    HRESULT CreateCategory(REFCATID catid, const wchar_t* description) override;
    HRESULT RegisterClassInCategory(REFCLSID clsid, REFCATID catid) override;

private:
    const ControlModuleIdentity& m_identity;
};

// Type library (SELFREG_E_TYPELIB), class factories, both categories and the
// control's membership in them (SELFREG_E_CLASS), stopping at the first
// failure; nothing is rolled back.
HRESULT RegisterControlModule(const ControlModuleIdentity& identity, ShellRegistrar& registrar);
// Type library (SELFREG_E_TYPELIB), then the class factories
// (SELFREG_E_CLASS). The categories stay registered.
HRESULT UnregisterControlModule(const ControlModuleIdentity& identity, ShellRegistrar& registrar);
