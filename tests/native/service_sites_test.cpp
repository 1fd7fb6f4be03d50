// Which page addresses may drive the controls, tried with the tricks a
// hostile page would use to look like the service's site.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_sites.h"

namespace {

const ServiceSites kService("www.corvala.co.kr");

TEST(ServiceSites, TheServiceHostAndItsDomainPassOverHttpAndHttps) {
    for (const char* address :
         {"http://www.corvala.co.kr/", "https://www.corvala.co.kr/member/login.asp?id=a#top",
          "HTTP://WWW.Corvala.CO.KR/", "http://corvala.co.kr", "https://chat.corvala.co.kr/x",
          "http://a.b.corvala.co.kr/", "http://www.corvala.co.kr:80/", "https://www.corvala.co.kr:443/",
          "https://www.corvala.co.kr:/", "http://www.corvala.co.kr./", "http://www.corvala.co.kr?q=1",
          "http://www.corvala.co.kr/path/with@and\\backslash", "http://www.corvala.co.kr#frag"})
        EXPECT_TRUE(kService.Allows(address)) << address;
}

TEST(ServiceSites, LookAlikesUserInfoPortsAndOtherSchemesAreRefused) {
    for (const char* address :
         {"http://evil.example/", "https://www.corvala.co.kr.evil.example/", "http://corvala.co.kr.evil.example/",
          "http://evilcorvala.co.kr/", "http://www.corvala.co.kr@evil.example/",
          "http://user:pw@www.corvala.co.kr/", "http://evil.example/?u=www.corvala.co.kr",
          "http://evil.example/#www.corvala.co.kr", "http://evil.example/www.corvala.co.kr",
          "http://evil.example\\@www.corvala.co.kr/", "http://www.corvala.co.kr\\@evil.example/",
          "http://www.corvala.co.kr:8080/", "https://www.corvala.co.kr:80/", "http://www.corvala.co.kr:99999/",
          "http://www.corvala.co.kr:8o/", "file:///C:/page.htm", "file://www.corvala.co.kr/page.htm",
          "about:blank", "javascript:alert(1)//http://www.corvala.co.kr/", "ftp://www.corvala.co.kr/",
          "http:www.corvala.co.kr", "http:///www.corvala.co.kr/", "http:\\\\www.corvala.co.kr\\",
          "http://www.corvala%2eco.kr/", "http://www.corvala.co.kr%00.evil.example/", "http://www..corvala.co.kr/",
          "http:// www.corvala.co.kr/", "http://www.corva\tla.co.kr/", "http://[::1]/", "http://co.kr/",
          "http://kr/", "http://127.0.0.1/", "", "http://", "www.corvala.co.kr", "mhtml:http://www.corvala.co.kr/"})
        EXPECT_FALSE(kService.Allows(address)) << address;
    // A zero byte inside the authority is refused, not cut short.
    EXPECT_FALSE(kService.Allows(std::string("http://evil.example\0www.corvala.co.kr/", 38)));
    EXPECT_FALSE(kService.Allows(std::string("http://www.corvala.co.kr\0.evil.example/", 39)));
}

TEST(ServiceSites, APublicSuffixIsNeverAllowedWhole) {
    // The configured host is already the registered domain: it and its hosts, not co.kr.
    const ServiceSites bare("corvala.co.kr");
    EXPECT_TRUE(bare.Allows("http://corvala.co.kr/"));
    EXPECT_TRUE(bare.Allows("http://www.corvala.co.kr/"));
    EXPECT_FALSE(bare.Allows("http://other.co.kr/"));
    EXPECT_EQ(std::vector<std::string>{"corvala.co.kr"}, bare.Domains());

    // Extra hosts: a plain name alone, "*." for a domain; a wildcard over a public suffix is dropped.
    const ServiceSites extra("www.corvala.co.kr", "m.corvala-cdn.com; *.corvala.net,*.co.kr *.kr bad..name");
    EXPECT_TRUE(extra.Allows("https://m.corvala-cdn.com/"));
    EXPECT_FALSE(extra.Allows("https://x.corvala-cdn.com/"));
    EXPECT_TRUE(extra.Allows("https://corvala.net/"));
    EXPECT_TRUE(extra.Allows("https://a.corvala.net/"));
    EXPECT_FALSE(extra.Allows("https://evil.co.kr/"));
    EXPECT_FALSE(extra.Allows("https://evil.kr/"));
    EXPECT_EQ((std::vector<std::string>{"corvala.co.kr", "corvala.net"}), extra.Domains());

    EXPECT_TRUE(IsPublicSuffix("co.kr"));
    EXPECT_TRUE(IsPublicSuffix("seoul.kr"));
    EXPECT_TRUE(IsPublicSuffix("com"));
    EXPECT_FALSE(IsPublicSuffix("corvala.kr"));
    EXPECT_FALSE(IsPublicSuffix("example.com"));

    // An address as the web host allows exactly itself.
    const ServiceSites numeric("10.0.0.7");
    EXPECT_TRUE(numeric.Allows("http://10.0.0.7/"));
    EXPECT_FALSE(numeric.Allows("http://1.10.0.0.7/"));
    EXPECT_TRUE(numeric.Domains().empty());
}

}  // namespace
