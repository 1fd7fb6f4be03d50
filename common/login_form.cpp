#include "login_form.h"

#include "text_split.h"

std::string BuildLoginPostText(std::string_view memberId, std::string_view password) {
    std::string text = "pvapp_id=";
    text += CStringPart(memberId);
    text += "&pvapp_pw=";
    text += CStringPart(password);
    text += "&pvpw=marlido";
    return text;
}

std::vector<uint8_t> BuildLoginPostBody(std::string_view memberId, std::string_view password) {
    const std::string text = BuildLoginPostText(memberId, password);
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string HomePageText(std::string_view webHost) {
    std::string text(webHost);
    text += kHomePagePath;
    return text;
}

std::string ProfilePageText(std::string_view webHost, std::string_view memberId) {
    std::string text(webHost);
    text += kProfilePagePath;
    text += CStringPart(memberId);
    return text;
}

std::string InstallPageUrl(std::string_view webHost, std::string_view scheme) {
    std::string text(scheme);
    text += "://";
    text += webHost;
    text += kInstallPagePath;
    return text;
}

std::string HyperLinkErrorText(int32_t hresult) {
    std::string text = "HyperLink Error";
    const uint32_t hr = static_cast<uint32_t>(hresult);
    if (hr == 0x80070057u) text += ": Invalid Parameters.";
    else if (hr == 0x8007000Eu) text += ": Out of memory.";
    return text;
}
