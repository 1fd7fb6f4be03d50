#include "category_registration.h"

#include <cwchar>

namespace {

constexpr LCID kCategoryLcid = 0x0409;
constexpr size_t kMaxDescription = 127;

// Registration may run in a process that never started COM (a bare
// regsvr32, an installer); the categories manager needs it for the call.
class ComScope {
public:
    ComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_hr;
};

HRESULT GetCategoryRegistrar(ICatRegister** registrar) {
    return ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                              reinterpret_cast<void**>(registrar));
}

}  // namespace

CATEGORYINFO MakeCategoryInfo(REFCATID catid, const wchar_t* description) {
    CATEGORYINFO info;
    ZeroMemory(&info, sizeof info);
    info.catid = catid;
    info.lcid = kCategoryLcid;
    const size_t length = description ? std::wcslen(description) : 0;
    const size_t kept = length < kMaxDescription ? length : kMaxDescription;
    if (kept) std::wmemcpy(info.szDescription, description, kept);
    info.szDescription[kept] = L'\0';
    return info;
}

HRESULT CreateComponentCategory(REFCATID catid, const wchar_t* description) {
    ComScope com;
    ICatRegister* registrar = nullptr;
    HRESULT hr = GetCategoryRegistrar(&registrar);
    if (FAILED(hr)) return hr;
    CATEGORYINFO info = MakeCategoryInfo(catid, description);
    hr = registrar->RegisterCategories(1, &info);
    registrar->Release();
    return hr;
}

HRESULT RegisterImplementedCategory(REFCLSID clsid, REFCATID catid) {
    ComScope com;
    ICatRegister* registrar = nullptr;
    HRESULT hr = GetCategoryRegistrar(&registrar);
    if (FAILED(hr)) return hr;
    CATID ids[1] = {catid};
    hr = registrar->RegisterClassImplCategories(clsid, 1, ids);
    registrar->Release();
    return hr;
}
