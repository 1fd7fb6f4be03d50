// Class factories of the module's COM classes. Each factory is a global
// object that lives from module load to unload; all of them are listed so
// that DllGetClassObject finds them and registration walks them.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <string>

#include "ole_registry.h"

class COleObjectFactory : public IClassFactory {
public:
    // Makes a new object and hands out the asked interface (one reference).
    using Creator = HRESULT (*)(REFIID iid, void** object);

    COleObjectFactory(REFCLSID clsid, const char* runtimeClassName, const char* progId, Creator creator);
    virtual ~COleObjectFactory();
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;

    // IUnknown: the factory is not reference counted, it lives with the module.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

    const CLSID& GetClassID() const { return m_clsid; }
    const char* GetRuntimeClassName() const { return m_runtimeClassName; }
    const char* GetProgID() const { return m_progId; }

    // Writes (or removes) the class's registry entries.
    virtual bool UpdateRegistry(bool registering) = 0;
    // Every factory of the module in the order they were made; stops at the
    // first failure.
    static bool UpdateRegistryAll(bool registering);
    static COleObjectFactory* Find(REFCLSID clsid);

private:
    CLSID m_clsid;
    const char* m_runtimeClassName;
    const char* m_progId;
    Creator m_creator;
    COleObjectFactory* m_next = nullptr;
};

// new T, then the asked interface; T starts with one reference of its own.
template <class T>
HRESULT CreateComObject(REFIID iid, void** object) {
    T* created = new (std::nothrow) T();
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

// The factory of a control class, registered with the values a control container reads.
class COleControlFactory : public COleObjectFactory {
public:
    struct Registration {
        UINT typeNameStringId;
        UINT toolboxBitmapId;
        DWORD miscStatus;
        const GUID* typeLib;
        WORD typeLibMajor;
        WORD typeLibMinor;
        const char* threadingModel;
        bool insertable;
    };
    COleControlFactory(REFCLSID clsid, const char* runtimeClassName, const char* progId, Creator creator,
                       const Registration& registration)
        : COleObjectFactory(clsid, runtimeClassName, progId, creator), m_registration(registration) {}
    bool UpdateRegistry(bool registering) override;

private:
    Registration m_registration;
};

// The factory of a property page class: registered with its type name only.
class COlePropertyPageFactory : public COleObjectFactory {
public:
    COlePropertyPageFactory(REFCLSID clsid, const char* runtimeClassName, const char* progId,
                            Creator creator, UINT typeNameStringId)
        : COleObjectFactory(clsid, runtimeClassName, progId, creator), m_typeNameStringId(typeNameStringId) {}
    bool UpdateRegistry(bool registering) override;

private:
    UINT m_typeNameStringId;
};
