#include "ole_module.h"

#include "ole_control.h"
#include "ole_factory.h"

namespace {
HINSTANCE g_module = nullptr;
volatile LONG g_locks = 0;
}  // namespace

BOOL OleModuleAttach(HINSTANCE module) {
    g_module = module;
    AfxSetResourceHandle(module);
    CWinApp* app = AfxGetApp();
    if (!app) return TRUE;
    app->m_hInstance = module;
    return app->InitInstance();
}

void OleModuleDetach() {
    if (CWinApp* app = AfxGetApp()) app->ExitInstance();
    OleControlUnregisterWindowClasses();
}

HINSTANCE OleModuleInstance() { return g_module ? g_module : ::GetModuleHandleA(nullptr); }

std::wstring OleModuleFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(OleModuleInstance(), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

std::wstring OleModuleDirectory() {
    std::wstring path = OleModuleFileName();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void OleModuleAddRef() { ::InterlockedIncrement(&g_locks); }
void OleModuleRelease() { ::InterlockedDecrement(&g_locks); }
LONG OleModuleLockCount() { return g_locks; }

HRESULT OleModuleCanUnloadNow() { return g_locks == 0 ? S_OK : S_FALSE; }

HRESULT OleModuleGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    COleObjectFactory* factory = COleObjectFactory::Find(clsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(iid, object);
}
