// The server-information box: seven settings of the frps server under a heading.
#pragma once

#include "app/dashboard_profile.h"
#include "app/main_window.h"
#include "http/text.h"

namespace quarvel {

// Requests the server information from the dashboard and shows the reply.
void FetchServerInfo(MainWindow& window,
                     const DashboardProfile& profile = CompiledDashboardProfile());

// Appends the heading and the seven setting lines to 编辑框1, or, when body is not JSON,
// replaces its text with the failure text.
void ShowServerInfo(MainWindow& window, const Text& body);

}  // namespace quarvel
