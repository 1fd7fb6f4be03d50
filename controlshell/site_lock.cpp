#include "site_lock.h"

#include "ole_text.h"
#include "web_host.h"

const ServiceSites& ControlSites() {
    static const ServiceSites sites(CORVALA_WEB_HOST, CORVALA_EXTRA_WEB_HOSTS);
    return sites;
}

bool ControlServesPage(const std::wstring& address) { return ControlSites().Allows(Utf8FromWide(address)); }
