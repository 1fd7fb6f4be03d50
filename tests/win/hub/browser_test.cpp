// Pages in the browser, through the browser seam: the exact navigation
// arguments, the form body and the failure messages.
#include "hub_fixture.h"

#include <oleauto.h>

namespace hub {
namespace {

class BrowserTest : public HubTest {};

TEST_F(BrowserTest, ProfilePagePostsTheLoginUnchangedInABareWindow) {
    OpenUnconnected("me/p&w=1/F/sess/");
    dlg->OpenProfilePage("a&b?c=d");
    ASSERT_EQ(navigations.size(), 1u);
    const BrowserNavigation& n = navigations[0];
    EXPECT_EQ(n.url, std::string(CORVALA_WEB_HOST) + "/~pvuser/HTML/01sub/01sub_14_01.htm?pid=a&b?c=d");
    EXPECT_EQ(n.targetFrame, "_top");
    EXPECT_EQ(n.headers, "Content-Type: application/x-www-form-urlencoded\r\n");
    ASSERT_TRUE(n.hasPostData);
    const std::string body = "pvapp_id=me&pvapp_pw=p&w=1&pvpw=marlido";
    EXPECT_EQ(std::string(n.postData.begin(), n.postData.end()), body);
    const std::vector<std::pair<BrowserSetting, long>> settings = {
        {BrowserSetting::Resizable, 0}, {BrowserSetting::ToolBar, 0}, {BrowserSetting::StatusBar, 0},
        {BrowserSetting::AddressBar, 0}, {BrowserSetting::MenuBar, 0}, {BrowserSetting::Top, -1},
        {BrowserSetting::Visible, 1}, {BrowserSetting::Height, 580}, {BrowserSetting::Width, 830}};
    EXPECT_EQ(n.settings, settings);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(BrowserTest, FailedNavigationBeepsAndNamesTheError) {
    OpenUnconnected();
    navigateAnswer.navigateResult = E_INVALIDARG;
    dlg->OpenProfilePage("bob");
    EXPECT_EQ(boxes.CountText("HyperLink Error: Invalid Parameters."), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].beepType, static_cast<UINT>(MB_ICONEXCLAMATION));

    navigateAnswer.navigateResult = E_FAIL;
    EXPECT_FALSE(dlg->OpenBrowserPage("http://x/", "", 100, 100));
    EXPECT_EQ(boxes.CountText("HyperLink Error"), 1u);
}

TEST_F(BrowserTest, BrowserPageWithoutPostTextSendsNoBodyAndReportsComFailure) {
    OpenUnconnected();
    EXPECT_TRUE(dlg->OpenBrowserPage("http://example/x", "", 693, 580));
    ASSERT_EQ(navigations.size(), 1u);
    EXPECT_FALSE(navigations[0].hasPostData);
    EXPECT_TRUE(dlg->OpenBrowserPage("http://example/x", "a=b", 693, 580));
    EXPECT_EQ(std::string(navigations[1].postData.begin(), navigations[1].postData.end()), "a=b");

    navigateAnswer.stage = BrowserResult::ComInitFailed;
    EXPECT_FALSE(dlg->OpenBrowserPage("http://example/x", "", 693, 580));
    EXPECT_EQ(boxes.CountText("초기화실패"), 1u);
    navigateAnswer.stage = BrowserResult::BrowserNotCreated;
    EXPECT_FALSE(dlg->OpenBrowserPage("http://example/x", "", 693, 580));
    dlg->OpenProfilePage("bob");  // no message of its own for these
    EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(BrowserTest, LoginPostIsAByteArrayOfTheTextsLength) {
    OpenUnconnected("me/secret/F/sess/");
    EXPECT_EQ(dlg->BuildLoginPost(nullptr), E_POINTER);
    VARIANT post;
    ASSERT_EQ(dlg->BuildLoginPost(&post), S_OK);
    EXPECT_EQ(post.vt, VT_ARRAY | VT_UI1);
    const std::string text = "pvapp_id=me&pvapp_pw=secret&pvpw=marlido";
    LONG low = -1, high = -1;
    ::SafeArrayGetLBound(post.parray, 1, &low);
    ::SafeArrayGetUBound(post.parray, 1, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high - low + 1, static_cast<LONG>(text.size()));  // no terminator
    void* data = nullptr;
    ASSERT_EQ(::SafeArrayAccessData(post.parray, &data), S_OK);
    EXPECT_EQ(std::string(static_cast<const char*>(data), text.size()), text);
    ::SafeArrayUnaccessData(post.parray);
    ::VariantClear(&post);
}

}  // namespace
}  // namespace hub
