#include "ole_factory.h"

#include "ole_module.h"
#include "ole_text.h"

namespace {
// Function-local so that factories made during static initialisation of any
// translation unit find the list ready.
COleObjectFactory*& FirstFactory() {
    static COleObjectFactory* first = nullptr;
    return first;
}
}  // namespace

COleObjectFactory::COleObjectFactory(REFCLSID clsid, const char* runtimeClassName, const char* progId,
                                     Creator creator)
    : m_clsid(clsid), m_runtimeClassName(runtimeClassName), m_progId(progId), m_creator(creator) {
    // Appended at the end: registration keeps the order of the module's source.
    COleObjectFactory** link = &FirstFactory();
    while (*link) link = &(*link)->m_next;
    *link = this;
}

COleObjectFactory::~COleObjectFactory() {
    for (COleObjectFactory** link = &FirstFactory(); *link; link = &(*link)->m_next) {
        if (*link == this) {
            *link = m_next;
            break;
        }
    }
}

STDMETHODIMP COleObjectFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP COleObjectFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_creator(iid, object);
}

STDMETHODIMP COleObjectFactory::LockServer(BOOL lock) {
    if (lock)
        OleModuleAddRef();
    else
        OleModuleRelease();
    return S_OK;
}

bool COleObjectFactory::UpdateRegistryAll(bool registering) {
    for (COleObjectFactory* f = FirstFactory(); f; f = f->m_next)
        if (!f->UpdateRegistry(registering)) return false;
    return true;
}

COleObjectFactory* COleObjectFactory::Find(REFCLSID clsid) {
    for (COleObjectFactory* f = FirstFactory(); f; f = f->m_next)
        if (IsEqualCLSID(f->m_clsid, clsid)) return f;
    return nullptr;
}

bool COleControlFactory::UpdateRegistry(bool registering) {
    const std::wstring progId = WideFromUtf8(GetProgID() ? GetProgID() : "");
    if (!registering) return UnregisterClass(GetClassID(), progId.c_str());
    ControlClassRegistration e;
    e.clsid = GetClassID();
    e.progId = progId;
    e.typeName = LoadModuleString(OleModuleInstance(), m_registration.typeNameStringId);
    e.modulePath = OleModuleFileName();
    e.toolboxBitmapId = m_registration.toolboxBitmapId;
    e.miscStatus = m_registration.miscStatus;
    e.typeLib = *m_registration.typeLib;
    e.typeLibMajor = m_registration.typeLibMajor;
    e.typeLibMinor = m_registration.typeLibMinor;
    e.threadingModel = WideFromUtf8(m_registration.threadingModel ? m_registration.threadingModel : "");
    e.insertable = m_registration.insertable;
    if (e.modulePath.empty() || e.progId.empty()) return false;
    return RegisterControlClass(e);
}

bool COlePropertyPageFactory::UpdateRegistry(bool registering) {
    if (!registering) return UnregisterClass(GetClassID(), nullptr);
    const std::wstring path = OleModuleFileName();
    if (path.empty()) return false;
    return RegisterPropertyPageClass(GetClassID(), LoadModuleString(OleModuleInstance(), m_typeNameStringId),
                                     path);
}
