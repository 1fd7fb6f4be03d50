#include "page_address.h"

#include <oleauto.h>
#include <servprov.h>

namespace {

// Declared here rather than taken from the HTML and browser headers: only
// one property of each is read.
const IID kIidHtmlDocument = {0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};
const IID kIidHtmlDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
const IID kIidWebBrowserApp = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

// A property of a dispatch interface read through IDispatch by name: the
// document's "URL", the browser's "LocationURL".
std::wstring ReadTextProperty(IUnknown* object, REFIID iid, const wchar_t* name) {
    IDispatch* dispatch = nullptr;
    if (FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&dispatch))) || !dispatch) return {};
    std::wstring text;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID dispid = DISPID_UNKNOWN;
    if (SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid))) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VARIANT value;
        ::VariantInit(&value);
        if (SUCCEEDED(dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                                       nullptr, nullptr)) &&
            V_VT(&value) == VT_BSTR && V_BSTR(&value) && ::SysStringLen(V_BSTR(&value)) <= kMaxPageAddress)
            text.assign(V_BSTR(&value), ::SysStringLen(V_BSTR(&value)));
        ::VariantClear(&value);
    }
    dispatch->Release();
    return text;
}

bool HasInterface(IUnknown* object, REFIID iid) {
    IUnknown* found = nullptr;
    if (FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&found))) || !found) return false;
    found->Release();
    return true;
}

bool FromMoniker(IOleClientSite* site, PageAddress* page) {
    IMoniker* moniker = nullptr;
    if (FAILED(site->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, &moniker)) || !moniker) return false;
    page->isPage = true;
    IBindCtx* context = nullptr;
    LPOLESTR name = nullptr;
    if (SUCCEEDED(::CreateBindCtx(0, &context)) && SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) &&
        name) {
        const size_t length = wcsnlen(name, kMaxPageAddress + 1);
        if (length <= kMaxPageAddress) page->address.assign(name, length);
    }
    if (name) ::CoTaskMemFree(name);
    if (context) context->Release();
    moniker->Release();
    return !page->address.empty();
}

bool FromDocument(IOleClientSite* site, PageAddress* page) {
    IOleContainer* container = nullptr;
    if (FAILED(site->GetContainer(&container)) || !container) return false;
    // A document is a page, whether or not it then says where it is.
    if (HasInterface(container, kIidHtmlDocument) || HasInterface(container, kIidHtmlDocument2)) {
        page->isPage = true;
        page->address = ReadTextProperty(container, kIidHtmlDocument2, L"URL");
    }
    container->Release();
    return !page->address.empty();
}

bool FromBrowser(IUnknown* site, PageAddress* page) {
    IServiceProvider* services = nullptr;
    if (FAILED(site->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services))) || !services)
        return false;
    // A browser is a page whichever interface it is offered by; only the
    // browser's own interface gives the address.
    IUnknown* browser = nullptr;
    for (REFIID offered : {IID_IUnknown, kIidWebBrowser2}) {
        if (SUCCEEDED(services->QueryService(kIidWebBrowserApp, offered, reinterpret_cast<void**>(&browser))) &&
            browser)
            break;
        browser = nullptr;
    }
    if (browser) {
        page->isPage = true;
        page->address = ReadTextProperty(browser, kIidWebBrowser2, L"LocationURL");
        browser->Release();
    }
    services->Release();
    return !page->address.empty();
}

}  // namespace

PageAddress ReadPageAddress(IUnknown* site) {
    PageAddress page;
    if (!site) return page;
    site->AddRef();  // the container's code runs meanwhile
    IOleClientSite* clientSite = nullptr;
    site->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
    if (!(clientSite && (FromMoniker(clientSite, &page) || FromDocument(clientSite, &page))))
        FromBrowser(site, &page);
    if (clientSite) clientSite->Release();
    site->Release();
    return page;
}
