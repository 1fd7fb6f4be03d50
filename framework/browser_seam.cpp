#include "browser_seam.h"

#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstring>
#include <mutex>

#include "text_conversion.h"

namespace {
std::mutex g_mutex;
BrowserSeam g_seam;

BrowserSeam CurrentSeam() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_seam;
}

// {0002DF01-0000-0000-C000-000000000046}
const CLSID kInternetExplorerClsid = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}
const IID kWebBrowser2Iid = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

BSTR Utf8ToBstr(const std::string& text) {
    const std::wstring wide = WideFromUtf8(text);
    return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

void Apply(IWebBrowser2* browser, BrowserSetting setting, long value) {
    const VARIANT_BOOL flag = value ? VARIANT_TRUE : VARIANT_FALSE;
    // The window settings are best effort; only Navigate's answer counts.
    switch (setting) {
    case BrowserSetting::Resizable: browser->put_Resizable(flag); break;
    case BrowserSetting::ToolBar: browser->put_ToolBar(value); break;
    case BrowserSetting::StatusBar: browser->put_StatusBar(flag); break;
    case BrowserSetting::AddressBar: browser->put_AddressBar(flag); break;
    case BrowserSetting::MenuBar: browser->put_MenuBar(flag); break;
    case BrowserSetting::Top: browser->put_Top(value); break;
    case BrowserSetting::Visible: browser->put_Visible(flag); break;
    case BrowserSetting::Height: browser->put_Height(value); break;
    case BrowserSetting::Width: browser->put_Width(value); break;
    }
}

BrowserResult NavigateForReal(const BrowserNavigation& request) {
    BrowserResult result;
    if (FAILED(::CoInitialize(nullptr))) {
        result.stage = BrowserResult::ComInitFailed;
        return result;
    }
    IWebBrowser2* browser = nullptr;
    if (FAILED(::CoCreateInstance(kInternetExplorerClsid, nullptr, CLSCTX_LOCAL_SERVER, kWebBrowser2Iid,
                                  reinterpret_cast<void**>(&browser))) ||
        !browser) {
        ::CoUninitialize();
        result.stage = BrowserResult::BrowserNotCreated;
        return result;
    }
    BSTR url = Utf8ToBstr(request.url);
    VARIANT flags, target, post, headers;
    ::VariantInit(&flags);
    ::VariantInit(&target);
    ::VariantInit(&post);
    ::VariantInit(&headers);
    target.vt = VT_BSTR;
    target.bstrVal = Utf8ToBstr(request.targetFrame);
    headers.vt = VT_BSTR;
    headers.bstrVal = Utf8ToBstr(request.headers);
    if (request.hasPostData) MakePostDataVariant(request.postData, &post);

    for (const auto& [setting, value] : request.settings) Apply(browser, setting, value);
    result.navigateResult = browser->Navigate(url, &flags, &target, &post, &headers);

    ::SysFreeString(url);
    ::VariantClear(&target);
    ::VariantClear(&headers);
    ::VariantClear(&post);
    browser->Release();
    ::CoUninitialize();
    return result;
}
}  // namespace

BrowserSeam SetBrowserSeam(BrowserSeam seam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    BrowserSeam previous = std::move(g_seam);
    g_seam = std::move(seam);
    return previous;
}

BrowserResult NavigateNewBrowserWindow(const BrowserNavigation& request) {
    const BrowserSeam seam = CurrentSeam();
    if (seam.navigate) return seam.navigate(request);
    return NavigateForReal(request);
}

bool ShellOpen(const ShellOpenRequest& request) {
    const BrowserSeam seam = CurrentSeam();
    if (seam.shellOpen) return seam.shellOpen(request);
    const std::wstring verb = WideFromUtf8(request.verb), file = WideFromUtf8(request.file),
                       parameters = WideFromUtf8(request.parameters);
    const HINSTANCE answer = ::ShellExecuteW(nullptr, verb.c_str(), file.c_str(),
                                             parameters.c_str(), nullptr, request.show);
    return reinterpret_cast<INT_PTR>(answer) > 32;
}

HRESULT MakePostDataVariant(const std::vector<uint8_t>& bytes, VARIANT* out) {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array) return E_OUTOFMEMORY;
    if (!bytes.empty()) {
        void* data = nullptr;
        if (FAILED(::SafeArrayAccessData(array, &data))) {
            ::SafeArrayDestroy(array);
            return E_OUTOFMEMORY;
        }
        std::memcpy(data, bytes.data(), bytes.size());
        ::SafeArrayUnaccessData(array);
    }
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
    return S_OK;
}
