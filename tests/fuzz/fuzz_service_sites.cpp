// Fuzz target for the page addresses the controls read from their browser:
// no address may pass unless its host really is one of the service's.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "service_sites.h"

namespace {

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    static const ServiceSites service("www.corvala.co.kr");

    const std::optional<std::string> host = HttpHostOf(input);
    if (host) {
        FUZZ_CHECK(StartsWithIgnoringCase(input, "http://") || StartsWithIgnoringCase(input, "https://"));
        FUZZ_CHECK(!host->empty() && host->size() <= 253);
        FUZZ_CHECK(host->find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-.") == std::string::npos);
        // The host is what stands between "//" and the path, and nothing else.
        const size_t begin = input.find("//") + 2;
        const std::string authority = input.substr(begin, input.find_first_of("/?#", begin) - begin);
        FUZZ_CHECK(authority.find('@') == std::string::npos);
        FUZZ_CHECK(authority.size() >= host->size());
    }
    if (service.Allows(input)) {
        FUZZ_CHECK(host);
        const std::string& h = *host;
        const std::string domain = "corvala.co.kr";
        FUZZ_CHECK(h == domain ||
                   (h.size() > domain.size() && h.compare(h.size() - domain.size() - 1, std::string::npos,
                                                          "." + domain) == 0));
    }

    // The input as a configuration: whatever it says, no public suffix is allowed whole.
    const size_t split = input.find('\n');
    const ServiceSites configured(input.substr(0, split), split == std::string::npos ? "" : input.substr(split + 1));
    for (const std::string& domain : configured.Domains()) FUZZ_CHECK(!IsPublicSuffix(domain));
    FUZZ_CHECK(!configured.Allows("http://co.kr/") && !configured.Allows("http://com/"));
    return 0;
}
