#include "app/startup.h"

#include "app/port_list_view.h"
#include "app/server_info_view.h"

namespace quarvel {

void OnMainWindowCreated(MainWindow& window) {
  OnMainWindowCreated(window, CompiledDashboardProfile());
}

void OnMainWindowCreated(MainWindow& window, const DashboardProfile& profile) {
  // Each fetch runs to completion and reports its own failure; none stops the next.
  FetchServerInfo(window, profile);
  FetchTcpPorts(window, profile);
  FetchUdpPorts(window, profile);
}

}  // namespace quarvel
