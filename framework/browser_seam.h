// The one way the programs reach the web browser: a new bare browser window
// navigated through the InternetExplorer automation object, or the home page
// handed to "iexplore.exe" with ShellExecuteA. Tests install a handler that
// records the request and answers it.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// The window properties set on the browser before navigating, in this order.
enum class BrowserSetting { Resizable, ToolBar, StatusBar, AddressBar, MenuBar, Top, Visible, Height, Width };

struct BrowserNavigation {
    std::string url;
    // Navigate's flags argument is always an empty VARIANT.
    std::string targetFrame;         // "_top"
    bool hasPostData = false;        // false: the post-data argument is an empty VARIANT
    std::vector<uint8_t> postData;   // sent as a SAFEARRAY of VT_UI1, no terminator
    std::string headers;
    std::vector<std::pair<BrowserSetting, long>> settings;
};

// How far a navigation got.
struct BrowserResult {
    enum Stage { ComInitFailed, BrowserNotCreated, Navigated } stage = Navigated;
    HRESULT navigateResult = S_OK;  // Navigate's answer when the stage was reached
};

struct ShellOpenRequest {
    std::string verb, file, parameters;
    int show = SW_SHOW;
};

struct BrowserSeam {
    std::function<BrowserResult(const BrowserNavigation&)> navigate;
    std::function<bool(const ShellOpenRequest&)> shellOpen;
};
// Installs the seam (empty members use the real browser); returns the previous one.
BrowserSeam SetBrowserSeam(BrowserSeam seam);

BrowserResult NavigateNewBrowserWindow(const BrowserNavigation& request);
bool ShellOpen(const ShellOpenRequest& request);

// The post data as Navigate takes it: a VARIANT of VT_ARRAY | VT_UI1 holding
// exactly the bytes. E_POINTER without a VARIANT, E_OUTOFMEMORY when the array
// cannot be made. The caller clears the VARIANT.
HRESULT MakePostDataVariant(const std::vector<uint8_t>& bytes, VARIANT* out);
