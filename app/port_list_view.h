// The two port lists: the remote ports of the server's TCP proxies in 编辑框2 and of its UDP
// proxies in 编辑框3, one line each under a heading.
#pragma once

#include "app/dashboard_profile.h"
#include "app/main_window.h"
#include "http/text.h"

namespace quarvel {

// Request the proxy list from the dashboard and show the reply.
void FetchTcpPorts(MainWindow& window,
                   const DashboardProfile& profile = CompiledDashboardProfile());
void FetchUdpPorts(MainWindow& window,
                   const DashboardProfile& profile = CompiledDashboardProfile());

// Append the heading and one line per listed remote port to the list box, or, when body is
// not JSON, replace the text of 编辑框1 with the failure text.
void ShowTcpPorts(MainWindow& window, const Text& body);
void ShowUdpPorts(MainWindow& window, const Text& body);

}  // namespace quarvel
