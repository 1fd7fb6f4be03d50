// The sites whose pages both controls serve: the service's web host given
// when the build is configured (the one Notewell opens, CORVALA_WEB_HOST),
// the hosts of its domain, and the build's extra hosts
// (CORVALA_EXTRA_WEB_HOSTS). Any other page gets a control that does nothing.
#pragma once
#include <string>

#include "service_sites.h"

const ServiceSites& ControlSites();
// Whether a page at this address may use the controls.
bool ControlServesPage(const std::wstring& address);
