// Which web pages may drive the controls: the service's own sites only. A
// page's address is untrusted text; its host is parsed as a browser would
// reach it and compared exactly (ignoring case), never searched for.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The host of an http or https address, in lower case, or nothing when the
// address is anything else or could be read two ways: another scheme, user
// info ("user@"), an explicit port other than the scheme's own, a backslash
// or blank or control character before the path, an IP version 6 literal,
// percent escapes or other characters a host name does not hold, empty labels.
// One trailing dot of the host is dropped ("www.example.com." is the same host).
std::optional<std::string> HttpHostOf(std::string_view address);

// A name that anyone can register below, so never a site of its own: a single
// label ("kr", "com"), or a country's common second-level registry ("co.kr",
// "or.kr", "seoul.kr", "co.uk", "com.au").
bool IsPublicSuffix(std::string_view domain);

class ServiceSites {
public:
    // `webHost`: the service's web host ("www.corvala.co.kr"); it allows
    // itself and the hosts of its parent domain ("corvala.co.kr" and any
    // "*.corvala.co.kr"), never a public suffix. `extraHosts`: more hosts,
    // separated by ';', ',' or blanks; "*.example.com" allows example.com
    // and every host below it, a plain name only itself.
    explicit ServiceSites(std::string_view webHost, std::string_view extraHosts = {});

    // Whether a page at this address is one of the service's own.
    bool Allows(std::string_view address) const;
    bool AllowsHost(std::string_view lowerCaseHost) const;

    // The domains whose hosts all pass, and the hosts that pass alone (for tests and messages).
    const std::vector<std::string>& Domains() const { return domains_; }
    const std::vector<std::string>& Hosts() const { return hosts_; }

private:
    void AddHost(std::string_view host);
    void AddDomain(std::string_view domain);
    std::vector<std::string> domains_;
    std::vector<std::string> hosts_;
};
