// The portable part of browser navigation: the login form body posted with the profile
// page, the page texts, the window sizes and the "HyperLink Error" text.
// The service's web host is installation configuration and is passed in.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "pvapp_id=%s&pvapp_pw=%s&pvpw=marlido" with the id and the password put in
// as they are (no URL encoding; each up to its first zero byte, as "%s").
std::string BuildLoginPostText(std::string_view memberId, std::string_view password);
// The same as the bytes of the SAFEARRAY (VT_UI1): the text's length, no terminator.
std::vector<uint8_t> BuildLoginPostBody(std::string_view memberId, std::string_view password);

constexpr char kFormPostHeaders[] = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr char kNavigateTargetFrame[] = "_top";

constexpr char kHomePagePath[] = "/beta";
constexpr char kProfilePagePath[] = "/~pvuser/HTML/01sub/01sub_14_01.htm?pid=";
constexpr char kInstallPagePath[] = "/HTML/inst.htm";

// Host and path without a scheme: host + "/beta".
std::string HomePageText(std::string_view webHost);
// Host and path without a scheme: host + "/~pvuser/HTML/01sub/01sub_14_01.htm?pid="
// + the member id, unchanged.
std::string ProfilePageText(std::string_view webHost, std::string_view memberId);
// Absolute URL with its scheme: scheme + "://" + host + "/HTML/inst.htm".
std::string InstallPageUrl(std::string_view webHost, std::string_view scheme = "http");

// Browser window sizes.
constexpr int kProfilePageWidth = 830;
constexpr int kProfilePageHeight = 580;
constexpr int kInstallPageWidth = 693;
constexpr int kInstallPageHeight = 580;

// "HyperLink Error", followed by ": Invalid Parameters." for E_INVALIDARG
// (0x80070057) or ": Out of memory." for E_OUTOFMEMORY (0x8007000E).
std::string HyperLinkErrorText(int32_t hresult);
