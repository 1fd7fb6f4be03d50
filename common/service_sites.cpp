#include "service_sites.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr size_t kMaxHostLength = 253;
constexpr size_t kMaxLabelLength = 63;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsHostCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

std::vector<std::string_view> Labels(std::string_view host) {
    std::vector<std::string_view> labels;
    size_t start = 0;
    for (;;) {
        const size_t dot = host.find('.', start);
        labels.push_back(host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) return labels;
        start = dot + 1;
    }
}

// A lower-case host name: labels of letters, digits and '-', none empty or too long.
std::optional<std::string> NormalHost(std::string_view text) {
    std::string host;
    host.reserve(text.size());
    for (char c : text) host.push_back(Lower(c));
    if (!host.empty() && host.back() == '.') host.pop_back();
    if (host.empty() || host.size() > kMaxHostLength) return std::nullopt;
    if (!std::all_of(host.begin(), host.end(), IsHostCharacter)) return std::nullopt;
    for (std::string_view label : Labels(host))
        if (label.empty() || label.size() > kMaxLabelLength) return std::nullopt;
    return host;
}

bool IsDottedNumbers(std::string_view host) {
    return std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// Second-level names under which countries register their sites (Korea's in
// full, and the ones most countries share).
constexpr std::string_view kRegistrySecondLevels[] = {
    "ac",      "co",      "com",       "edu",      "es",        "go",      "gov",     "hs",     "kg",
    "mil",     "ms",      "ne",        "net",      "or",        "org",     "pe",      "re",     "sc",
    "ltd",     "plc",     "nic",       "sch",      "gen",       "biz",     "info",    "nom",    "firm",
    "ind",     "busan",   "chungbuk",  "chungnam", "daegu",     "daejeon", "gangwon", "gwangju",
    "gyeongbuk", "gyeonggi", "gyeongnam", "incheon", "jeju",    "jeonbuk", "jeonnam", "seoul",  "ulsan",
    "sejong"};

}  // namespace

std::optional<std::string> HttpHostOf(std::string_view address) {
    const size_t colon = address.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view scheme = address.substr(0, colon);
    unsigned defaultPort;
    if (EqualsIgnoringCase(scheme, "http"))
        defaultPort = 80;
    else if (EqualsIgnoringCase(scheme, "https"))
        defaultPort = 443;
    else
        return std::nullopt;
    std::string_view rest = address.substr(colon + 1);
    // Exactly two slashes: browsers read "http:host", "http:///host" and "http:\\host" in ways of their own.
    if (rest.size() < 3 || rest[0] != '/' || rest[1] != '/' || rest[2] == '/' || rest[2] == '\\')
        return std::nullopt;
    rest.remove_prefix(2);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    for (char c : authority) {
        const auto u = static_cast<unsigned char>(c);
        // '@' is user info, '\\' a path to some browsers, the rest not part of a plain host.
        if (u <= 0x20 || u >= 0x7F || c == '@' || c == '\\' || c == '%' || c == '[' || c == ']') return std::nullopt;
    }
    std::string_view hostText = authority;
    const size_t portColon = authority.find(':');
    if (portColon != std::string_view::npos) {
        hostText = authority.substr(0, portColon);
        const std::string_view port = authority.substr(portColon + 1);
        if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        unsigned value = 0;
        for (char c : port) value = value * 10 + static_cast<unsigned>(c - '0');
        if (!port.empty() && value != defaultPort) return std::nullopt;
    }
    return NormalHost(hostText);
}

bool IsPublicSuffix(std::string_view domain) {
    const std::vector<std::string_view> labels = Labels(domain);
    if (labels.size() <= 1) return true;
    if (labels.size() != 2 || labels[1].size() != 2) return false;  // only under a country's two-letter name
    return std::find(std::begin(kRegistrySecondLevels), std::end(kRegistrySecondLevels), labels[0]) !=
           std::end(kRegistrySecondLevels);
}

ServiceSites::ServiceSites(std::string_view webHost, std::string_view extraHosts) {
    if (const std::optional<std::string> host = NormalHost(webHost)) {
        AddHost(*host);
        const size_t dot = host->find('.');
        if (!IsDottedNumbers(*host) && dot != std::string::npos) {
            const std::string_view parent = std::string_view(*host).substr(dot + 1);
            // "www.corvala.co.kr" serves corvala.co.kr; "corvala.co.kr" itself, never co.kr.
            AddDomain(IsPublicSuffix(parent) ? std::string_view(*host) : parent);
        }
    }
    size_t start = 0;
    while (start < extraHosts.size()) {
        const size_t end = std::min(extraHosts.find_first_of(";, \t", start), extraHosts.size());
        std::string_view entry = extraHosts.substr(start, end - start);
        start = end + 1;
        const bool wholeDomain = entry.size() > 2 && entry[0] == '*' && entry[1] == '.';
        if (wholeDomain) entry.remove_prefix(2);
        const std::optional<std::string> host = NormalHost(entry);
        if (!host) continue;
        if (wholeDomain && !IsDottedNumbers(*host))
            AddDomain(*host);
        else
            AddHost(*host);
    }
}

void ServiceSites::AddHost(std::string_view host) {
    if (IsPublicSuffix(host) && !IsDottedNumbers(host)) return;
    if (std::find(hosts_.begin(), hosts_.end(), host) == hosts_.end()) hosts_.emplace_back(host);
}

void ServiceSites::AddDomain(std::string_view domain) {
    if (IsPublicSuffix(domain)) return;  // a whole public suffix is everybody's site
    if (std::find(domains_.begin(), domains_.end(), domain) == domains_.end()) domains_.emplace_back(domain);
}

bool ServiceSites::AllowsHost(std::string_view host) const {
    if (std::find(hosts_.begin(), hosts_.end(), host) != hosts_.end()) return true;
    for (const std::string& domain : domains_) {
        if (host == domain) return true;
        if (host.size() > domain.size() && host[host.size() - domain.size() - 1] == '.' &&
            host.substr(host.size() - domain.size()) == domain)
            return true;
    }
    return false;
}

bool ServiceSites::Allows(std::string_view address) const {
    const std::optional<std::string> host = HttpHostOf(address);
    return host && AllowsHost(*host);
}
