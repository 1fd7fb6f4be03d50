// The service's pages in the browser: the home page, member profiles (with the
// member's web login posted along) and the installation page.
#include "tray_main_dlg.h"

#include "browser_seam.h"
#include "sound_seam.h"
#include "login_form.h"
#include "message_box.h"

namespace {
const char kAppCaption[] = "Notewell";
const char kComInitFailedText[] = "초기화실패";

BrowserNavigation NewWindowRequest(const std::string& url, int width, int height) {
    BrowserNavigation r;
    r.url = url;
    r.targetFrame = kNavigateTargetFrame;
    r.headers = kFormPostHeaders;
    r.settings = {{BrowserSetting::Resizable, 0}, {BrowserSetting::ToolBar, 0},
                  {BrowserSetting::StatusBar, 0}, {BrowserSetting::AddressBar, 0},
                  {BrowserSetting::MenuBar, 0},   {BrowserSetting::Top, -1},
                  {BrowserSetting::Visible, 1},   {BrowserSetting::Height, height},
                  {BrowserSetting::Width, width}};
    return r;
}

void ReportNavigateFailure(HRESULT hr) {
    const std::string text = HyperLinkErrorText(static_cast<int32_t>(hr));
    PlayBeep(MB_ICONEXCLAMATION);
    ShowMessageBox(nullptr, text.c_str(), kAppCaption, MB_OK | MB_ICONEXCLAMATION);
}
}  // namespace

HRESULT CTrayMainDlg::BuildLoginPost(VARIANT* out) const {
    return MakePostDataVariant(BuildLoginPostBody(CredentialBytes(userId), CredentialBytes(password)), out);
}

void CTrayMainDlg::OpenProfilePage(const std::string& memberId) {
    BrowserNavigation request = NewWindowRequest(ProfilePageText(webHost, memberId), kProfilePageWidth,
                                                 kProfilePageHeight);
    request.hasPostData = true;
    request.postData = BuildLoginPostBody(CredentialBytes(userId), CredentialBytes(password));
    const BrowserResult result = NavigateNewBrowserWindow(request);
    if (result.stage == BrowserResult::Navigated && FAILED(result.navigateResult))
        ReportNavigateFailure(result.navigateResult);
}

bool CTrayMainDlg::OpenBrowserPage(const std::string& url, const std::string& postText, int width, int height) {
    BrowserNavigation request = NewWindowRequest(url, width, height);
    if (!postText.empty()) {
        request.hasPostData = true;
        request.postData.assign(postText.begin(), postText.end());
    }
    const BrowserResult result = NavigateNewBrowserWindow(request);
    switch (result.stage) {
    case BrowserResult::ComInitFailed:
        ShowMessageBox(nullptr, kComInitFailedText, kAppCaption, MB_OK);
        return false;
    case BrowserResult::BrowserNotCreated:
        return false;
    case BrowserResult::Navigated:
        if (FAILED(result.navigateResult)) {
            ReportNavigateFailure(result.navigateResult);
            return false;
        }
        return true;
    }
    return false;
}

void CTrayMainDlg::OpenHomePage() {
    ShellOpen(ShellOpenRequest{"open", "iexplore.exe", HomePageText(webHost), SW_SHOW});
}
